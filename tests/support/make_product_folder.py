#!/usr/bin/env python3
"""Makes a stand-in product folder of a chosen size and number of files, for scripts/make-package to pack:
OUT/VaruPhoneAx/ with the product's two programs (a stand-in program that records being started), folders
with Chinese names, and data files that do not compress, so that the package is about the size asked for.
Every file and folder gets the same modification time, so that the package is the same on every run.
Usage:
  make_product_folder.py OUT STAND_IN_EXE [--files N] [--mib M]"""
import argparse
import os
import random
import shutil
import time

parser = argparse.ArgumentParser()
parser.add_argument("out")
parser.add_argument("stand_in")
parser.add_argument("--files", type=int, default=300)
parser.add_argument("--mib", type=float, default=12)
args = parser.parse_args()

with open(args.stand_in, "rb") as f:
    program = f.read()
rng = random.Random(2024)
stamp = time.mktime((2024, 5, 6, 7, 8, 10, 0, 0, -1))
data_files = max(args.files - 2, 1)
per_file = max(int(args.mib * 1024 * 1024 - 2 * len(program)) // data_files, 1)
folders = ["数据", "资源", "plugins", "drivers", "lang"]

product = os.path.join(args.out, "VaruPhoneAx")
shutil.rmtree(args.out, ignore_errors=True)
for folder in folders:
    os.makedirs(os.path.join(product, folder))
written = []
for i in range(data_files):
    written.append(os.path.join(product, folders[i % len(folders)], f"文件{i:04d}.dat"))
    with open(written[-1], "wb") as f:
        f.write(rng.randbytes(per_file))
for name in ("Varu.exe", "VaruUnInstall.exe"):
    written.append(os.path.join(product, name))
    with open(written[-1], "wb") as f:
        f.write(program)
for path in written + [os.path.join(product, folder) for folder in folders] + [product]:
    os.utime(path, (stamp, stamp))
print(f"{args.out}: stand-in product, {args.files} files, {args.mib:g} MiB")
