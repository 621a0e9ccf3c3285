// radtool check PACKAGE ADDRESS PUBLIC.pem: checks a package against the signature an address carries
// ("sig=", as the package server's redirect gives it) with the maker's public key, the way an installer
// built with that key checks it: through a handle that refuses writers. Prints "verified" or "refused"
// with the check's time, and exits 0 or 1.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "common/unique_handle.h"
#include "download/signature_check.h"
#include "tools/commands.h"

namespace radtool {

int Check(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: radtool check PACKAGE ADDRESS PUBLIC.pem\n");
        return 2;
    }
    radu::PackageKey key;
    if (!ReadKey(argv[2], key)) {
        std::fwprintf(stderr, L"radtool: %ls is not an ECDSA P-256 public key in PEM form\n", argv[2]);
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    radu::RawSignature signature;
    const bool found = radu::SignatureFromAddress(argv[1], signature);
    radu::UniqueFileHandle file(CreateFileW(argv[0], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const bool verified = found && file && radu::VerifyFileSignature(file.get(), signature, key);
    QueryPerformanceCounter(&end);
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    std::wprintf(L"%ls in %.1f ms%ls\n", verified ? L"verified" : L"refused", ms,
                 !found ? L" (no signature in the address)" : !file ? L" (the package cannot be opened)" : L"");
    return verified ? 0 : 1;
}

}  // namespace radtool
