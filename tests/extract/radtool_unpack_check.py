#!/usr/bin/env python3
"""radtool unpack end to end under Wine: the printed lines (messages and error box texts, in order), the exit
code, and the unpacked files seen from Linux. Usage: radtool_unpack_check.py WINE_RUN RADTOOL ARCHIVES OUT"""
import os
import shutil
import subprocess
import sys
import tempfile

wine_run, radtool, archives, out = sys.argv[1:5]
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)


def windows(path):
    return "Z:" + path.replace("/", "\\")


def unpack(archive, dest):
    # Output through a file: Wine's desktop process inherits the standard handles and would hold a pipe
    # open for a while after radtool has ended.
    with tempfile.TemporaryFile() as out:
        p = subprocess.run([wine_run, radtool, "unpack", windows(os.path.join(archives, archive)), windows(dest)],
                           stdout=out, timeout=300)
        assert p.returncode == 0, (archive, p.returncode)
        out.seek(0)
        return out.read().decode("utf-8").splitlines()


failures = []


def expect(got, want, what):
    if got != want:
        failures.append(f"{what}:\n  got  {got}\n  want {want}")


progress = [f"11111 {i} 10" for i in range(10)]
expect(unpack("python_mix.zip", os.path.join(out, "mix")), progress + ["11112"], "python_mix.zip")
with open(os.path.join(out, "mix", "中文目录", "子文件.txt"), encoding="utf-8") as f:
    expect(f.read(), "内容", "unpacked file")
# Folder entries without the folder attribute, each followed by a file inside it (Windows sees "win_dir\\").
bare = os.path.join(out, "bare")
expect(unpack("bare_folders.zip", bare), [f"11111 {i} 7" for i in range(7)] + ["11112"], "bare_folders.zip")
expect(sorted(os.path.relpath(os.path.join(d, n), bare) for d, ds, fs in os.walk(bare) for n in ds + fs),
       ["dos_dir", "dos_dir/inner.txt", "jar_empty", "unix_dir", "unix_dir/inner.txt", "win_dir",
        "win_dir/inner.txt"], "bare_folders.zip tree")
inner = os.path.join(bare, "win_dir", "inner.txt")
expect(open(inner, "rb").read() if os.path.isfile(inner) else None, b"win", "file in a bare folder")
expect(unpack("mismatch_last.zip", os.path.join(out, "last")),
       ["11111 0 3", "11111 1 3", "11111 2 3", "未解压完全!1792", "11110 4", "11112"], "mismatch_last.zip")
expect(unpack("not_a_zip.zip", os.path.join(out, "bad")), ["打开压缩包解压路径出错!", "11110 1", "11112"],
       "not_a_zip.zip")
expect(unpack("empty.zip", os.path.join(out, "empty")), ["11112"], "empty.zip")

print("\n".join(failures) if failures else "radtool unpack: all cases as expected")
sys.exit(1 if failures else 0)
