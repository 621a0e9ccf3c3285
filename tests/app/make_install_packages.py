#!/usr/bin/env python3
"""Writes the product packages the install tests serve, made with Python's zipfile:
  OUT/good/VaruPhoneAx.zip    a sound package: the product's two programs (stand-ins that record being
                              started), a folder entry with the folder attribute and one without (as jar
                              writes them), a file with a Chinese name, and 1 MiB of data that does not
                              compress
  OUT/good/FBResult.ini       the same package under the name of the installer's report queue
  OUT/broken/VaruPhoneAx.zip  the same with the data entry's compressed bytes damaged
  OUT/forged/VaruPhoneAx.zip  a forger's package of the same shape with other data
  OUT/older/VaruPhoneAx.zip   a package the maker signed earlier, of the same shape with other data
  OUT/*/VaruPhoneAx.zip.sig   what the redirect carries before the digest, "serial=N&sig=S": the package's
                              serial and the signature (base64url of openssl's DER form) of the statement
                              binding it to the package's SHA-256, by the maker's key for the good, many
                              and older packages, by the forger's own key for the forged one
  OUT/tree/                   the files of the package, to compare an install with
  OUT/many/VaruPhoneAx.zip    the good package with 400 more files of 24 KiB before the two programs, so
                              that unpacking takes a while (an install is cut off in the middle of it)
  OUT/many-tree/              its files
  OUT/forged-tree/            the forged package's files (installed by the road that replaces the package)
  OUT/other/VaruPhoneAx.zip   a later package of the same shape in which every file differs (the programs
                              carry bytes after their image), and OUT/other-tree/ its files
The serials: good and many FLOOR + 3 (the forger's too), older FLOOR + 1, FLOOR being the lowest serial the
keyed test build takes.
Usage: make_install_packages.py OUT STAND_IN_EXE MAKER_PRIVATE_KEY FLOOR"""
import base64
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile

out, stand_in, maker_key, floor = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3], int(sys.argv[4])
CURRENT, EARLIER = floor + 3, floor + 1
shutil.rmtree(out, ignore_errors=True)

with open(stand_in, "rb") as f:
    program = f.read()
data = random.Random(8).randbytes(1024 * 1024)
STAMP = (2024, 5, 6, 7, 8, 10)


def folder(name, with_attribute):
    info = zipfile.ZipInfo(name, STAMP)
    if with_attribute:
        info.create_system = 3
        info.external_attr = (0o40755 << 16) | 0x10
    else:
        info.create_system = 0  # no attribute at all: only the trailing "/" says it is a folder
        info.external_attr = 0
    return info, b""


def file(name, content):
    info = zipfile.ZipInfo(name, STAMP)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3
    info.external_attr = 0o644 << 16
    return info, content


ENTRIES = [
    folder("VaruPhoneAx/", True),
    file("VaruPhoneAx/data.bin", data),
    folder("VaruPhoneAx/资源/", False),
    file("VaruPhoneAx/资源/说明.txt", "安装成功。\r\n".encode("utf-8")),
    file("VaruPhoneAx/Varu.exe", program),
    file("VaruPhoneAx/VaruUnInstall.exe", program),
]


def write(path, entries):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w") as z:
        for info, content in entries:
            z.writestr(info, content)


good = os.path.join(out, "good", "VaruPhoneAx.zip")
write(good, ENTRIES)
os.link(good, os.path.join(out, "good", "FBResult.ini"))

# Damage the data entry's deflated bytes in the middle: the archive opens, the entry fails while unpacking.
raw = bytearray(open(good, "rb").read())
eocd = raw.rindex(b"PK\x05\x06")
cd = struct.unpack_from("<I", raw, eocd + 16)[0]
n, m, k = struct.unpack_from("<HHH", raw, cd + 28)
cd2 = cd + 46 + n + m + k  # the second central record: data.bin
local = struct.unpack_from("<I", raw, cd2 + 42)[0]
compressed = struct.unpack_from("<I", raw, cd2 + 20)[0]
n, m = struct.unpack_from("<HH", raw, local + 26)
start = local + 30 + n + m
for i in range(start + compressed // 2, start + compressed // 2 + 64):
    raw[i] ^= 0x5A
os.makedirs(os.path.join(out, "broken"))
open(os.path.join(out, "broken", "VaruPhoneAx.zip"), "wb").write(raw)

forged = os.path.join(out, "forged", "VaruPhoneAx.zip")
FORGED = [file(info.filename, random.Random(9).randbytes(len(content))) if info.filename.endswith("data.bin")
          else (info, content) for info, content in ENTRIES]
write(forged, FORGED)
forger_key = os.path.join(out, "forged", "forger.pem")
subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", forger_key], check=True)


def sign(path, key, serial):
    statement = f"Radurodi package\nserial={serial}\nsha256={hashlib.sha256(open(path, 'rb').read()).hexdigest()}\n"
    der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key], input=statement.encode(), check=True,
                         capture_output=True).stdout
    with open(path + ".sig", "w") as f:
        f.write(f"serial={serial}&sig=" + base64.urlsafe_b64encode(der).rstrip(b"=").decode())


sign(good, maker_key, CURRENT)
sign(forged, forger_key, CURRENT)

older = os.path.join(out, "older", "VaruPhoneAx.zip")
write(older, [file(info.filename, random.Random(10).randbytes(len(content))) if info.filename.endswith("data.bin")
              else (info, content) for info, content in ENTRIES])
sign(older, maker_key, EARLIER)

MANY = ENTRIES[:4] + [file("VaruPhoneAx/more/%03d.bin" % i, random.Random(100 + i).randbytes(24 * 1024))
                      for i in range(400)] + ENTRIES[4:]
write(os.path.join(out, "many", "VaruPhoneAx.zip"), MANY)
sign(os.path.join(out, "many", "VaruPhoneAx.zip"), maker_key, CURRENT)

OTHER = [(info, content) if info.filename.endswith("/") else
         file(info.filename, content + b"\0later" if info.filename.endswith(".exe")
              else "另一版本。\r\n".encode("utf-8") if info.filename.endswith(".txt")
              else random.Random(10).randbytes(len(content)))
         for info, content in ENTRIES]
write(os.path.join(out, "other", "VaruPhoneAx.zip"), OTHER)

for tree, entries in (("tree", ENTRIES), ("many-tree", MANY), ("forged-tree", FORGED), ("other-tree", OTHER)):
    for info, content in entries:
        path = os.path.join(out, tree, info.filename)
        if info.filename.endswith("/"):
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content)
print("install packages written to", out)
