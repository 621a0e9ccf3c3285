#!/usr/bin/env python3
"""A reinstall over read-only files: radtool unpack of readonly_reinstall.zip twice into one folder. Wine
running as root ignores the read-only attribute, so both runs are made as uid 65534, with a Wine prefix and
a home of that user's own below WORK_DIR (the prefix is made once and kept). The first run must leave its
read-only entries without write permission on disk; the second must replace them and end cleanly.
Usage (as root): readonly_reinstall_check.py RADTOOL ARCHIVES WORK_DIR BUILD_DIR"""
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import zipfile

radtool, archives, work, build = (os.path.abspath(a) for a in sys.argv[1:5])
if os.getuid() != 0:
    print("readonly reinstall: skipped, switching to uid 65534 needs root")
    sys.exit(77)
UID = GID = 65534
archive = os.path.join(archives, "readonly_reinstall.zip")
prefix, home, dest = (os.path.join(work, n) for n in ("prefix", "home", "dest"))
as_user = ["setpriv", f"--reuid={UID}", f"--regid={GID}", "--clear-groups"]
# Wine as every script of the project finds it (on a kernel without 32-bit support, an emulated loader).
wine_env = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-env")
path = subprocess.run(["bash", "-c", '. "$1" && printf %s "$PATH"', "-", wine_env],
                      capture_output=True, text=True, check=True).stdout
# No DISPLAY: the user could not reach the test display, and unpacking needs none.
env = {"PATH": path, "HOME": home, "LANG": "C.UTF-8", "WINEPREFIX": prefix,
       "WINEARCH": "win32", "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "winemenubuilder.exe=d;mscoree,mshtml="}


def as_nobody(*cmd, **kw):
    return subprocess.run(as_user + list(cmd), env=env, stdin=subprocess.DEVNULL, **kw)


def let_others_read(path):
    """Read permission on path and search permission on every folder above it, added inside the build tree
    and required above it, so that the user can reach what root built."""
    os.chmod(path, os.stat(path).st_mode | stat.S_IROTH)
    folder = os.path.dirname(path)
    while True:
        mode = os.stat(folder).st_mode
        if not mode & stat.S_IXOTH:
            if os.path.commonpath([folder, build]) != build:
                sys.exit(f"{folder} lets no other user through: uid {UID} cannot reach {path}")
            os.chmod(folder, mode | stat.S_IXOTH)
        if folder == "/":
            return
        folder = os.path.dirname(folder)


def windows(path):
    return "Z:" + path.replace("/", "\\")


def unpack():
    with tempfile.TemporaryFile() as out:  # a file, not a pipe: see radtool_unpack_check.py
        p = as_nobody("wine", radtool, "unpack", windows(archive), windows(dest), stdout=out, timeout=300)
        assert p.returncode == 0, p.returncode
        out.seek(0)
        return out.read().decode("utf-8").splitlines()


for f in (radtool, archive):
    let_others_read(f)
for d in (work, home):
    os.makedirs(d, exist_ok=True)
    os.chown(d, UID, GID)
shutil.rmtree(dest, ignore_errors=True)

with zipfile.ZipFile(archive) as z:
    entries = {i.filename: z.read(i) for i in z.infolist()}
read_only = ["conf/dos_ro.ini", "conf/unix_ro.ini"]
clean = [f"11111 {i} {len(entries)}" for i in range(len(entries))] + ["11112"]
failures = []


def expect(got, want, what):
    if got != want:
        failures.append(f"{what}:\n  got  {got}\n  want {want}")


def check_contents(run):
    for name, data in entries.items():
        with open(os.path.join(dest, name), "rb") as f:
            expect(f.read(), data, f"{run}: content of {name}")


try:
    if not os.path.exists(os.path.join(prefix, ".radu-ready")):
        shutil.rmtree(prefix, ignore_errors=True)
        as_nobody("wineboot", "--init", stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        as_nobody("wineserver", "-w", timeout=300)
        assert os.path.isfile(os.path.join(prefix, "system.reg")), "wineboot made no prefix"
        open(os.path.join(prefix, ".radu-ready"), "w").close()
    expect(unpack(), clean, "first unpack")
    check_contents("first unpack")
    for name in read_only:  # Wine shows the read-only attribute as missing write permission
        expect(os.stat(os.path.join(dest, name)).st_mode & 0o222, 0, f"write bits of {name}")
        with open(os.path.join(dest, name), "wb") as f:  # what an earlier install left; root may write
            f.write(b"left by the earlier install\n")
    # Wine 8 keeps the attributes of a file that CREATE_ALWAYS replaces (Windows gives it the requested
    # ones), so only the lines and the contents are compared after the second run.
    expect(unpack(), clean, "unpack over read-only files")
    check_contents("unpack over read-only files")
finally:
    as_nobody("wineserver", "-k", stderr=subprocess.DEVNULL, timeout=120)
    as_nobody("wineserver", "-w", timeout=120)

print("\n".join(failures) if failures else "readonly reinstall: all cases as expected")
sys.exit(1 if failures else 0)
