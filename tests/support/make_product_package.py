#!/usr/bin/env python3
"""Makes a stand-in product package "VaruPhoneAx.zip" of a chosen size and number of files, as the
installer expects it: the product's two programs (a stand-in program that records being started), folders
with Chinese names, and data files that do not compress, so that the archive is about the size asked for.
Prints the archive's size and MD5. Usage:
  make_product_package.py OUT_ZIP STAND_IN_EXE [--files N] [--mib M]"""
import argparse
import hashlib
import os
import random
import zipfile

parser = argparse.ArgumentParser()
parser.add_argument("out")
parser.add_argument("stand_in")
parser.add_argument("--files", type=int, default=300)
parser.add_argument("--mib", type=float, default=12)
args = parser.parse_args()

with open(args.stand_in, "rb") as f:
    program = f.read()
rng = random.Random(2024)
stamp = (2024, 5, 6, 7, 8, 10)
data_files = max(args.files - 2, 1)
per_file = max(int(args.mib * 1024 * 1024 - 2 * len(program)) // data_files, 1)
folders = ["数据", "资源", "plugins", "drivers", "lang"]


def entry(name, compress=zipfile.ZIP_DEFLATED):
    info = zipfile.ZipInfo(name, stamp)
    info.compress_type = compress
    info.create_system = 3
    info.external_attr = (0o40755 << 16) | 0x10 if name.endswith("/") else 0o644 << 16
    return info


os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
with zipfile.ZipFile(args.out, "w") as z:
    z.writestr(entry("VaruPhoneAx/", zipfile.ZIP_STORED), b"")
    for folder in folders:
        z.writestr(entry(f"VaruPhoneAx/{folder}/", zipfile.ZIP_STORED), b"")
    for i in range(data_files):
        z.writestr(entry(f"VaruPhoneAx/{folders[i % len(folders)]}/文件{i:04d}.dat"), rng.randbytes(per_file))
    z.writestr(entry("VaruPhoneAx/Varu.exe"), program)
    z.writestr(entry("VaruPhoneAx/VaruUnInstall.exe"), program)

with open(args.out, "rb") as f:
    digest = hashlib.md5(f.read()).hexdigest()
print(f"{args.out}: {os.path.getsize(args.out)} bytes, {args.files} files, MD5 {digest}")
