#!/usr/bin/env python3
"""Writes the archives the extraction tests read, made by real archivers: Info-ZIP zip and Python's
zipfile. The broken ones are sound archives patched by hand. Usage: make_archives.py OUT_DIR"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile

out = os.path.abspath(sys.argv[1])
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)


def path(name):
    return os.path.join(out, name)


def ut_block(flags, *times):
    data = bytes([flags]) + b"".join(struct.pack("<i", t) for t in times)
    return b"UT" + struct.pack("<H", len(data)) + data


def write_zip(name, entries, compression=zipfile.ZIP_DEFLATED):
    """entries: (ZipInfo or name, bytes) pairs."""
    with zipfile.ZipFile(path(name), "w", compression) as z:
        for info, data in entries:
            if isinstance(info, str):
                info = zipfile.ZipInfo(info, (2020, 1, 2, 3, 4, 6))
                info.compress_type = compression
                info.external_attr = 0o644 << 16
            z.writestr(info, data)


def info(name, date_time=(2020, 1, 2, 3, 4, 6), compress=zipfile.ZIP_DEFLATED, extra=b"", system=3,
         attr=0o644 << 16):
    i = zipfile.ZipInfo(name, date_time)
    i.compress_type = compress
    i.extra = extra
    i.create_system = system
    i.external_attr = attr
    return i


def headers(data):
    """Offsets of (local header, central header) for every entry, in order."""
    eocd = data.rindex(b"PK\x05\x06")
    count, cd_size, cd_offset = struct.unpack_from("<HII", data, eocd + 10)
    result, p = [], cd_offset
    for _ in range(count):
        n, m, k = struct.unpack_from("<HHH", data, p + 28)
        local = struct.unpack_from("<I", data, p + 42)[0]
        result.append((local, p))
        p += 46 + n + m + k
    return result


def patch(name, fn):
    data = bytearray(open(path(name), "rb").read())
    fn(data, headers(bytes(data)))
    open(path(name), "wb").write(bytes(data))


def text(n, seed):
    rng = random.Random(seed)
    words = ["alpha", "beta", "gamma", "delta", "包", "解压", "radurodi", "\n"]
    s = []
    while sum(map(len, s)) < n:
        s.append(rng.choice(words))
    return " ".join(s).encode()[:n]


# --- Info-ZIP: a tree with folders, Chinese names, a read-only file, an empty file, UT blocks -----------
tree = path("tree")
files = {
    "docs/readme.txt": text(70000, 1),  # spans several 16 KiB buffers
    "docs/中文名称.txt": "你好，世界".encode(),
    "bin/data.bin": random.Random(2).randbytes(40000),  # incompressible: zip stores it
    "empty.txt": b"",
    "readonly.txt": b"do not touch\n",
}
for rel, data in files.items():
    os.makedirs(os.path.dirname(os.path.join(tree, rel)), exist_ok=True)
    open(os.path.join(tree, rel), "wb").write(data)
os.makedirs(os.path.join(tree, "深", "层", "空文件夹"))
for rel in files:
    os.utime(os.path.join(tree, rel), (1600000100, 1600000000))
os.chmod(os.path.join(tree, "readonly.txt"), 0o444)
env = dict(os.environ, LC_ALL="C.UTF-8")
subprocess.run(["zip", "-q", "-r", "-n", ".bin", path("infozip_tree.zip"), "."], cwd=tree, check=True, env=env)
with zipfile.ZipFile(path("infozip_tree.zip")) as z:
    methods = {i.filename: i.compress_type for i in z.infolist()}
assert methods["bin/data.bin"] == zipfile.ZIP_STORED and methods["docs/readme.txt"] == zipfile.ZIP_DEFLATED

# An encrypted entry (zip -P) followed by a plain one.
enc = path("enc-src")
os.makedirs(enc)
open(os.path.join(enc, "secret.txt"), "wb").write(b"secret data\n" * 10)
open(os.path.join(enc, "plain.txt"), "wb").write(b"plain\n")
subprocess.run(["zip", "-q", "-P", "pw", path("encrypted.zip"), "secret.txt"], cwd=enc, check=True)
subprocess.run(["zip", "-q", path("encrypted.zip"), "plain.txt"], cwd=enc, check=True)

# --- Python zipfile: methods, DOS attributes, times with and without UT blocks -------------------------
mix = [
    (info("stored.txt", (2019, 5, 6, 7, 8, 10), zipfile.ZIP_STORED), b"stored bytes\n"),
    (info("deflated.txt"), text(50000, 3)),
    (info("zero_stored.txt", compress=zipfile.ZIP_STORED), b""),
    (info("ut_mtime_only.txt", extra=ut_block(1, 1500000000)), b"m"),
    (info("ut_second_block.txt",
          extra=b"\xfe\xca\x06\x00abcdef" + ut_block(7, 1400000000, 1400000100, 1300000000)), b"x"),
    (info("dos/hidden.txt", system=0, attr=0x22), b"h"),
    (info("dos/system_ro.txt", system=0, attr=0x05), b"s"),
    (info("中文目录/", system=3, attr=(0o40755 << 16) | 0x10), b""),
    (info("中文目录/子文件.txt"), "内容".encode()),
    (info("zero_deflated.txt"), b""),  # last on purpose: an empty last entry is still unpacked
]
write_zip("python_mix.zip", mix)
# Folder entries known by their trailing separator alone: a Unix mode without the directory bit, DOS
# attributes 0 as jar writes them, a backslash name, and a folder with nothing inside.
bare = [
    (info("unix_dir/", attr=0o755 << 16), b""),
    (info("unix_dir/inner.txt"), b"unix"),
    (info("dos_dir/", system=0, attr=0), b""),
    (info("dos_dir/inner.txt", system=0, attr=0), b"dos"),
    (info("win_dir\\", system=0, attr=0), b""),
    (info("win_dir\\inner.txt", system=0, attr=0), b"win"),
    (info("jar_empty/", system=0, attr=0), b""),
]
write_zip("bare_folders.zip", bare)


def dos_attributes_zero(d, h):  # zipfile writes 0o600 << 16 for attributes 0: DOS-host records get 0 back
    for _, central in h:
        if d[central + 5] == 0:
            struct.pack_into("<I", d, central + 38, 0)


patch("bare_folders.zip", dos_attributes_zero)
with zipfile.ZipFile(path("bare_folders.zip")) as z:
    assert [i.external_attr for i in z.infolist() if i.create_system == 0] == [0] * 5
    assert not any(i.external_attr & (0o40000 << 16) for i in z.infolist())
# Read-only files (DOS attribute bit 0, Unix mode without write bits) before another entry: a reinstall
# into the same folder must replace them.
write_zip("readonly_reinstall.zip", [
    (info("conf/dos_ro.ini", system=0, attr=0x21), b"[dos]\nread-only=1\n"),
    (info("conf/unix_ro.ini", attr=0o444 << 16), b"[unix]\nmode=0444\n"),
    (info("after.txt"), b"after the read-only files\n"),
])
write_zip("empty.zip", [])
write_zip("locked.zip", [("a.txt", b"first"), ("b.txt", b"second")])
open(path("not_a_zip.zip"), "wb").write(b"this is plain text, not an archive\n" * 20)
data = open(path("python_mix.zip"), "rb").read()
open(path("truncated.zip"), "wb").write(data[: len(data) // 2])

three = [("one.txt", b"one\n" * 50), ("two.txt", b"two\n" * 50), ("three.txt", b"three\n" * 50)]
for name in ("mismatch_middle.zip", "mismatch_last.zip", "bad_crc_middle.zip", "bad_crc_last.zip",
             "bad_data.zip", "bad_extra.zip"):
    write_zip(name, three)


def local_method(index, value):
    return lambda d, h: struct.pack_into("<H", d, h[index][0] + 8, value)


def bad_crc(index):
    def fn(d, h):
        local, central = h[index]
        crc = struct.unpack_from("<I", d, local + 14)[0] ^ 0x5A5A5A5A
        struct.pack_into("<I", d, local + 14, crc)
        struct.pack_into("<I", d, central + 16, crc)
    return fn


def bad_data(d, h):  # first byte of the deflate stream of entry 1: a block of the reserved type
    local = h[1][0]
    n, m = struct.unpack_from("<HH", d, local + 26)
    d[local + 30 + n + m] = 0xFF


def bad_extra(d, h):  # the local extra field of entry 1 claims more bytes than the archive holds
    struct.pack_into("<H", d, h[1][0] + 28, 0xFFFF)


patch("mismatch_middle.zip", local_method(1, 0))
patch("mismatch_last.zip", local_method(2, 0))
patch("bad_crc_middle.zip", bad_crc(1))
patch("bad_crc_last.zip", bad_crc(2))
patch("bad_data.zip", bad_data)
patch("bad_extra.zip", bad_extra)

# Methods the reader does not take: bzip2 (12) and LZMA (14), written by zipfile itself.
for name, method in (("method12.zip", zipfile.ZIP_BZIP2), ("method14.zip", zipfile.ZIP_LZMA)):
    write_zip(name, [(info("one.txt"), b"one\n"), (info("packed.txt", compress=method), b"packed\n" * 40),
                     (info("three.txt"), b"three\n")])

# --- Names -------------------------------------------------------------------------------------------
# Names the sanitising rules bring back inside the destination.
write_zip("sanitised.zip", [(n, n.encode()) for n in
                            ("C:\\a\\b.txt", "a/../b2.txt", "a/../c/../d.txt", "/etc/z", "\\\\lead.txt",
                             "a\\..\\..\\..\\up3.txt", "x/../keep/", "/")])
# Names that are refused whole; every one would land outside the destination or on a device.
unsafe = ["../up1.txt", "..\\up1b.txt", "a/../../up2.txt", "sub/../../up4.txt",
          "x/..", ".. /up5.txt", "x/.../y.txt", "file.txt:stream", "con", "CON.txt", "dir/aux/x.txt",
          "nul.tar.gz", "Com1", "lpt9.log", "prn ", "../bare_up/", "a\\..\\..\\bare_up2\\", "深" * 87]
write_zip("unsafe.zip", [(n, b"escape") for n in unsafe], zipfile.ZIP_STORED)
# Long names: 86 Chinese characters and a separator (259 bytes) are fine; the path limits are tested with
# ASCII names. (A single name of 86 Chinese characters, 258 bytes, does not fit a Linux file name: Wine
# cuts it to 255 bytes, so that the file would not be at its own name.)
write_zip("long_names.zip", [("长" * 43 + "/" + "长" * 43, b"ok"), ("p/" + "q" * 157, b"fits"),
                             ("p/" + "r" * 158, b"long")])

# An archive whose Zip64 end record claims 2^32 entries: more than an entry number can hold.
rec = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, 1 << 32, 1 << 32, 0, 0)
loc = struct.pack("<IIQI", 0x07064B50, 0, 4, 1)
eocd = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
open(path("too_many.zip"), "wb").write(bytes(4) + rec + loc + eocd)


shutil.rmtree(enc)  # the tree stays: tests compare the unpacked files with it
print("archives written to", out)
