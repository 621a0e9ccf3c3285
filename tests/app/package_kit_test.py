#!/usr/bin/env python3
"""The package kit end to end: scripts/make-package and the nginx server block it writes, proven with the
installer's own parts.

1. A product folder with a Chinese name, a nested and an empty folder, a read-only file, an empty file,
   a 6 MiB file (so that the download takes two ranges) and file times with odd seconds (which only the
   extended time stamp keeps); the two programs are the stand-in product program.
2. make-package refuses the folder without either program: non-zero exit, a message that names the
   program, nothing written. Then it packs the folder, twice, into the same bytes; every entry carries the
   UTF-8 flag and the extended time stamp, folder entries the folder attribute.
3. nginx serves the generated block (tests/support/package-server) on the installer's package port:
   `radtool fetch` of the package address follows the 302, checks the digest it carries and takes the
   package in byte ranges; `radtool unpack` unpacks it under Wine into a tree equal to the folder (names,
   bytes, modification times, the read-only attribute). The licence page and the complete installer are
   served beside it, every other address answers 404.
4. RadurodiSetup.exe installs the product from that server (install_walkthrough): the same tree, the
   product started, and the install report at a listener on port 80.
5. Signed: make-package --key (the tests' maker key) --serial 9 puts the serial and the signature of the
   statement about the package into the redirect before the digest, where openssl verifies it; it refuses a
   key that is not P-256, and a serial below the one already in OUT. `radtool fetch --key` accepts the
   package with the maker's public key and refuses it (22, deleted) with another or with a floor above its
   serial, saying why; the installer built with the maker's key (RadurodiSetupKeyed.exe) installs and
   starts the product through the block, and then `radtool check` refuses the same package at a lower
   serial (signed by make-package into another folder) as below the serial this machine accepted.
Usage: package_kit_test.py SOURCE_DIR BUILD_DIR"""
import base64
import hashlib
import http.client
import http.server
import os
import random
import re
import shutil
import stat
import subprocess
import sys
import threading
import urllib.error
import urllib.request
import zipfile

SOURCE, BUILD = (os.path.abspath(a) for a in sys.argv[1:3])
WORK = os.path.join(BUILD, "tests", "app", "package_kit")
MAKE_PACKAGE = os.path.join(SOURCE, "scripts", "make-package")
PACKAGE_SERVER = os.path.join(SOURCE, "tests", "support", "package-server")
WINE_RUN = os.path.join(BUILD, "wine-run")
RADTOOL = os.path.join(BUILD, "bin", "radtool.exe")
WALKTHROUGH = os.path.join(BUILD, "tests", "app", "install_walkthrough.exe")
KEYED_SETUP = os.path.join(BUILD, "tests", "app", "RadurodiSetupKeyed.exe")
MAKER_KEY = os.path.join(BUILD, "tests", "app", "maker-key")
MARKER = os.path.join(BUILD, "tests", "app", "varu_marker.exe")
PORT = 47311  # the package server this build is made for
SERIAL = 9  # of the signed package; the keyed test build's floor is lower
BASE = f"http://127.0.0.1:{PORT}"
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def windows(path):
    return "Z:" + path.replace("/", "\\") + "\\"


def make_folder(folder):
    product = os.path.join(folder, "VaruPhoneAx")
    program = open(MARKER, "rb").read()
    rng = random.Random(5)
    files = {
        "Varu.exe": program,
        "VaruUnInstall.exe": program,
        "资源/说明.txt": "安装成功。\r\n".encode("utf-8"),
        "data/nested/deeper/big.bin": rng.randbytes(6 * 1024 * 1024),
        "data/nested/small.txt": b"a nested file\n" * 100,
        "readonly.txt": b"read me, do not write me\n",
        "zero.txt": b"",
    }
    for i, (name, content) in enumerate(sorted(files.items())):
        path = os.path.join(product, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        stamp = 1700000001 + 86400 * i + 2 * i  # odd seconds: the MS-DOS time cannot hold them
        os.utime(path, (stamp, stamp))
    os.makedirs(os.path.join(product, "empty"))
    os.chmod(os.path.join(product, "readonly.txt"), 0o444)


def tree(folder, skip=()):
    """{relative name: None for a folder, (bytes, whole-second mtime, read-only) for a file}; the times are
    read before any file is opened."""
    out = {}
    for here, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(here, name)
            relative = os.path.relpath(path, folder)
            if relative in skip:
                continue
            st = os.lstat(path)
            out[relative] = None if name in dirs else [int(st.st_mtime), not st.st_mode & stat.S_IWUSR]
    for relative, value in out.items():
        if value is not None:
            value.insert(0, open(os.path.join(folder, relative), "rb").read())
    return out


def compare(unpacked, folder, what):
    got, want = tree(unpacked, skip={os.path.join("VaruPhoneAx", "started.txt")}), tree(folder)
    check(sorted(got) == sorted(want), f"{what}: the same names (folders and files) as the product folder")
    for name in sorted(set(got) & set(want)):
        if want[name] is None:
            check(got[name] is None, f"{what}: {name} is a folder")
            continue
        if got[name] is None:
            check(False, f"{what}: {name} is a file")
            continue
        (content, mtime, read_only), (want_content, want_mtime, want_read_only) = got[name], want[name]
        ok = content == want_content and read_only == want_read_only
        # An empty entry yields no data and no end-of-entry signal: the extractor leaves the file without
        # its times.
        ok = ok and (mtime == want_mtime or not want_content)
        check(ok, f"{what}: {name}: bytes{', modification time' if want_content else ''}"
                  f"{' and read-only' if want_read_only else ''} as in the folder")


def run(args, **kwargs):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, errors="replace",
                          **kwargs)


def get(path):
    try:
        with urllib.request.urlopen(BASE + path) as answer:
            return answer.status, answer.read(), answer.headers.get("Content-Type")
    except urllib.error.HTTPError as e:
        return e.code, b"", None


def access_log(state):
    lines = open(os.path.join(state, "access.log")).read().splitlines()
    return [line.split("|") for line in lines]


class Reports(http.server.BaseHTTPRequestHandler):
    received = []

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        Reports.received.append((self.path, self.headers.get("Content-Type"), body))
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


def refusals(folder):
    for program in ("Varu.exe", "VaruUnInstall.exe"):
        path = os.path.join(folder, "VaruPhoneAx", program)
        os.rename(path, path + ".away")
        out = os.path.join(WORK, "refused")
        p = run([MAKE_PACKAGE, folder, out])
        os.rename(path + ".away", path)
        other = "VaruUnInstall.exe" if program == "Varu.exe" else "Varu.exe"
        check(p.returncode != 0 and f"VaruPhoneAx\\{program}" in p.stderr and other not in p.stderr,
              f"make-package refuses the folder without {program} and names it: {p.stderr.splitlines()[:1]}")
        check(not os.path.exists(out), f"make-package without {program} writes nothing")


def package_checks(out, again):
    p = run([MAKE_PACKAGE, *again])
    zip_path = os.path.join(out, "VaruPhoneAx.zip")
    data = open(zip_path, "rb").read()
    digest = hashlib.md5(data).hexdigest()
    check(p.returncode == 0, "make-package packs the same folder again")
    check(open(os.path.join(WORK, "again", "VaruPhoneAx.zip"), "rb").read() == data,
          "the same folder gives the same archive, byte for byte")
    with zipfile.ZipFile(zip_path) as z:
        infos = z.infolist()
    names = [i.filename for i in infos]
    check(names == sorted(names) and names[0] == "VaruPhoneAx/", "entries in sorted order, VaruPhoneAx/ first")
    check(all(i.flag_bits & 0x800 for i in infos), "every entry has the UTF-8 flag 0x800")
    check(all(b"UT\x05\x00\x01" in i.extra for i in infos), "every entry has an extended time stamp (0x5455)")
    folders = [i for i in infos if i.filename.endswith("/")]
    check(len(folders) == 6 and all(i.external_attr & 0x10 and i.compress_type == 0 for i in folders),
          "folder entries end in '/' and have the folder attribute 0x10")
    check(all(i.compress_type == zipfile.ZIP_DEFLATED for i in infos if i not in folders), "files are deflated")
    return data, digest


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    folder, out, state = (os.path.join(WORK, n) for n in ("product", "package", "server"))
    make_folder(folder)
    refusals(folder)

    terms = os.path.join(WORK, "terms.html")
    open(terms, "w", encoding="utf-8").write("<!DOCTYPE html><meta charset=utf-8><p>许可协议</p>\n")
    other_key = os.path.join(WORK, "p384.pem")
    run(["openssl", "ecparam", "-name", "secp384r1", "-genkey", "-noout", "-out", other_key])
    p = run([MAKE_PACKAGE, folder, os.path.join(WORK, "refused"), "--key", other_key])
    check(p.returncode != 0 and "not an ECDSA P-256 private key" in p.stderr and
          not os.path.exists(os.path.join(WORK, "refused")), "make-package refuses a key that is not P-256")
    args = [folder, out, "--listen", f"127.0.0.1:{PORT}", "--terms", terms, "--full-installer", MARKER,
            "--key", os.path.join(MAKER_KEY, "private.pem"), "--serial", str(SERIAL)]
    p = run([MAKE_PACKAGE, *args])
    print(p.stdout + p.stderr, end="")
    if not check(p.returncode == 0, "make-package packs the product folder"):
        return
    data, digest = package_checks(out, [folder, os.path.join(WORK, "again")] + args[2:])
    check(re.search(rf"{len(data)} bytes.*MD5 {digest}, signed, serial {SERIAL}", p.stdout) is not None,
          "make-package prints the package's size, MD5 and serial")
    block = open(os.path.join(out, "nginx-package-server.conf")).read()
    p = run([MAKE_PACKAGE, *args[:-1], str(SERIAL - 1)])
    check(p.returncode != 0 and f"({SERIAL})" in p.stderr and
          open(os.path.join(out, "nginx-package-server.conf")).read() == block,
          f"make-package refuses a serial below the last in OUT, changing nothing: {p.stderr.splitlines()[:1]}")

    p = run([PACKAGE_SERVER, "up", state, out])
    print(p.stdout + p.stderr, end="")
    if not check(p.returncode == 0, "nginx serves the generated server block"):
        return
    reports = http.server.HTTPServer(("127.0.0.1", 80), Reports)
    threading.Thread(target=reports.serve_forever, daemon=True).start()
    try:
        served(folder, out, state, data, digest, terms)
    finally:
        reports.shutdown()
        run([PACKAGE_SERVER, "down", state])


def served(folder, out, state, data, digest, terms):
    fetched, unpacked = os.path.join(WORK, "fetched"), os.path.join(WORK, "unpacked")
    os.makedirs(fetched)
    p = run([WINE_RUN, RADTOOL, "fetch", f"{BASE}/consezip/VaruPhoneAx.zip", windows(fetched)])
    check("result=1" in p.stdout, f"radtool fetch through the block: downloaded and verified ({p.stdout.strip()})")
    got = os.path.join(fetched, "VaruPhoneAx.zip")
    check(os.path.isfile(got) and open(got, "rb").read() == data, "the fetched package is the package")
    log = access_log(state)
    hosted = f"/consezip/{digest}/VaruPhoneAx.zip"
    check(log[:1] and log[0][:3] == ["/consezip/VaruPhoneAx.zip", "-", "302"],
          "the package address answers 302")
    segments = [entry for entry in log if entry[0] == hosted and entry[2] == "206" and entry[1] != "bytes=0-1"]
    check(len(segments) >= 2, f"the package under its digest is served in byte ranges: {segments}")

    p = run([WINE_RUN, RADTOOL, "unpack", windows(fetched) + "VaruPhoneAx.zip", windows(unpacked)])
    check("11110" not in p.stdout and p.stdout.rstrip().endswith("11112"), "radtool unpack unpacks the package")
    compare(unpacked, folder, "radtool unpack")

    # The installer's Host header has no port; the redirect's target must have it.
    connection = http.client.HTTPConnection("127.0.0.1", PORT)
    connection.request("GET", "/consezip/VaruPhoneAx.zip", headers={"Host": "127.0.0.1"})
    answer = connection.getresponse()
    location = answer.getheader("Location")
    connection.close()
    # base64url without padding of the DER signature: 70 to 72 bytes mostly, 69 or fewer when r or s starts
    # with a zero byte (about one signing in 250), so any length up to 96 characters.
    signature = re.fullmatch(re.escape(f"{BASE}{hosted}?serial={SERIAL}&sig=") + r"([-_A-Za-z0-9]{11,96})" +
                             re.escape(f"&md5={digest}"), location or "")
    check(answer.status == 302 and signature is not None, "asked with a Host header without the port, the "
          f"redirect names the port, the serial, the signature and the digest: {location}")
    if signature:
        der, statement = os.path.join(WORK, "signature.der"), os.path.join(WORK, "statement.txt")
        open(der, "wb").write(base64.urlsafe_b64decode(signature.group(1) + "=="))
        open(statement, "w").write(f"Radurodi package\nserial={SERIAL}\nsha256={hashlib.sha256(data).hexdigest()}\n")
        p = run(["openssl", "dgst", "-sha256", "-verify", os.path.join(MAKER_KEY, "public.pem"), "-signature",
                 der, statement])
        check(p.returncode == 0, "openssl verifies the redirect's signature over the statement about the "
                                 "package with the maker's key")
    status, body, kind = get("/terms.html")
    check(status == 200 and body == open(terms, "rb").read() and kind.startswith("text/html"),
          "/terms.html is served, as HTML")
    status, body, _ = get("/consezip/ZoRiduvUzarizaz.exe")
    check(status == 200 and body == open(MARKER, "rb").read(), "/consezip/ZoRiduvUzarizaz.exe is served")
    check(all(get(path)[0] == 404 for path in ("/", "/nginx-package-server.conf", "/VaruPhoneAx.zip",
                                                f"/consezip/{digest}/")), "other addresses answer 404")

    # One real install through the block.
    installed = os.path.join(WORK, "installed")
    os.makedirs(installed)
    p = run([WINE_RUN, WALKTHROUGH, "--folder", windows(installed)])
    print("".join("  " + line + "\n" for line in p.stdout.splitlines()), end="")
    check(p.returncode == 0 and "product started" in p.stdout, "RadurodiSetup.exe installs and starts the product")
    compare(installed, folder, "RadurodiSetup.exe")
    check(any(entry[0] == hosted and entry[2] == "206" for entry in access_log(state)[len(log):]),
          "the installer took the package in byte ranges")
    check(len(Reports.received) == 1 and Reports.received[0][0] == "/fbInfo/saveInfo" and
          Reports.received[0][2].startswith(b"type=100&time="), f"one install report: {Reports.received}")
    run([WINE_RUN, WALKTHROUGH, "--forget"])
    signed(folder)


def signed(folder):
    """The maker's key through the same block: radtool fetch --key, and the installer built with the key."""
    forger = os.path.join(WORK, "forger")
    os.makedirs(forger)
    run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", os.path.join(forger, "key.pem")])
    run(["openssl", "ec", "-in", os.path.join(forger, "key.pem"), "-pubout", "-out", os.path.join(forger, "pub.pem")])
    maker_key = windows(MAKER_KEY) + "public.pem"
    for n, (key, floor, result, says) in enumerate((
            (maker_key, [], "result=1", "accepted"),
            (windows(forger) + "pub.pem", [], "result=22", "refused: the maker's signature does not verify"),
            (maker_key, ["--min-serial", str(SERIAL + 1)], "result=22", "refused: below the floor"))):
        fetched = os.path.join(WORK, f"fetched-signed-{n}")
        os.makedirs(fetched)
        p = run([WINE_RUN, RADTOOL, "fetch", f"{BASE}/consezip/VaruPhoneAx.zip", windows(fetched), "--key", key,
                 *floor])
        kept = os.path.exists(os.path.join(fetched, "VaruPhoneAx.zip"))
        check(result in p.stdout and f"serial={SERIAL} {says}" in p.stdout and kept == (result == "result=1"),
              f"radtool fetch --key {key} {' '.join(floor)}: {p.stdout.strip()}, {'kept' if kept else 'nothing left'}")
    installed = os.path.join(WORK, "installed-signed")
    os.makedirs(installed)
    p = run([WINE_RUN, WALKTHROUGH, "--folder", windows(installed), "--setup", KEYED_SETUP])
    print("".join("  " + line + "\n" for line in p.stdout.splitlines()), end="")
    check(p.returncode == 0 and "product started" in p.stdout,
          "the installer built with the maker's key installs and starts the signed product")
    compare(installed, folder, "RadurodiSetupKeyed.exe")
    # The same package at a lower serial, as an earlier release would carry it: this machine took SERIAL.
    lower = os.path.join(WORK, "lower")
    run([MAKE_PACKAGE, folder, lower, "--key", os.path.join(MAKER_KEY, "private.pem"), "--serial", str(SERIAL - 2)])
    block = open(os.path.join(lower, "nginx-package-server.conf")).read()
    address = "http://h" + re.search(r"return 302 (\S+);", block).group(1)
    p = run([WINE_RUN, RADTOOL, "check", windows(lower) + "VaruPhoneAx.zip", address, maker_key])
    check(p.returncode == 1 and f"serial={SERIAL - 2} refused: below the highest accepted on this machine (floor 0, "
          f"highest accepted on this machine {SERIAL})" in p.stdout,
          f"radtool check refuses a lower serial after the installer took {SERIAL}: {p.stdout.strip()}")
    run([WINE_RUN, WALKTHROUGH, "--forget"])


if __name__ == "__main__":
    main()
    print(f"{len(failures)} failed" if failures else "all passed")
    sys.exit(1 if failures else 0)
