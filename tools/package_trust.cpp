// What radtool checks a signed package against, as an installer built with the same key and floor on this
// machine would, and the line that tells what the check saw.
#include <cstdio>
#include <cwchar>
#include <string>

#include "app/accepted_serial.h"
#include "tools/commands.h"

namespace radtool {

namespace {

bool ReadKey(const wchar_t* path, radu::PackageKey& key) {
    std::FILE* file = _wfopen(path, L"rb");
    if (!file)
        return false;
    std::string pem;
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0 && pem.size() < 65536;)
        pem.append(block, got);
    std::fclose(file);
    return radu::PublicKeyFromPem(pem, key);
}

std::wstring Number(uint64_t n) {
    return std::to_wstring(static_cast<unsigned long long>(n));
}

}  // namespace

bool ReadTrust(const wchar_t* keyFile, const wchar_t* floor, radu::PackageTrust& trust) {
    if (!ReadKey(keyFile, trust.key)) {
        std::fwprintf(stderr, L"radtool: %ls is not an ECDSA P-256 public key in PEM form\n", keyFile);
        return false;
    }
    trust.floor = 0;
    if (floor && !radu::ParseSerial(floor, trust.floor)) {
        std::fwprintf(
            stderr, L"radtool: --min-serial %ls is not a serial (1 to 19 digits, no leading zero)\n", floor);
        return false;
    }
    trust.accepted = radu::HighestAcceptedSerial();  // read, never written: radtool installs nothing
    return true;
}

std::wstring DescribeCheck(const radu::PackageCheck& check, const radu::PackageTrust& trust) {
    using radu::PackageVerdict;
    const std::wstring serial = check.hasSerial ? Number(check.serial) : L"none";
    const std::wstring bars = L"floor " + Number(trust.floor) + L", highest accepted on this machine " +
                              (trust.accepted ? Number(trust.accepted) : L"none");
    switch (check.verdict) {
        case PackageVerdict::kNotChecked:
            return L"serial=" + serial + L" not checked: nothing was downloaded";
        case PackageVerdict::kNoSignature:
            return L"serial=" + serial +
                   L" refused: the address carries no signature (sig=), or a malformed one";
        case PackageVerdict::kNoSerial:
            return L"serial=none refused: the address carries no serial (serial=), or a malformed one";
        case PackageVerdict::kUnreadable:
            return L"serial=" + serial + L" refused: the package cannot be opened";
        case PackageVerdict::kBadSignature:
            return L"serial=" + serial + L" refused: the maker's signature does not verify over serial " +
                   serial + L" and this package";
        case PackageVerdict::kBelowFloor:
            return L"serial=" + serial + L" refused: below the floor (" + bars + L")";
        case PackageVerdict::kBelowAccepted:
            return L"serial=" + serial + L" refused: below the highest accepted on this machine (" + bars +
                   L")";
        case PackageVerdict::kAccepted:
            return L"serial=" + serial + L" accepted (" + bars + L")";
    }
    return {};
}

}  // namespace radtool
