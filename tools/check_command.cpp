// radtool check PACKAGE ADDRESS PUBLIC.pem [--min-serial N]: checks a package against the serial and the
// signature an address carries ("serial=", "sig=", as the package server's redirect gives them) with the
// maker's public key, the way an installer built with that key and floor checks it on this machine:
// through a handle that refuses writers, then the serial against the floor and the highest serial this
// machine has accepted. Prints the serial it saw and why it was refused, then "verified" or "refused"
// with the check's time, and exits 0 or 1.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "common/unique_handle.h"
#include "download/signature_check.h"
#include "tools/commands.h"

namespace radtool {

int Check(int argc, wchar_t** argv) {
    const bool withFloor = argc == 5 && std::wcscmp(argv[3], L"--min-serial") == 0;
    if (argc != 3 && !withFloor) {
        std::fwprintf(stderr, L"usage: radtool check PACKAGE ADDRESS PUBLIC.pem [--min-serial N]\n");
        return 2;
    }
    radu::PackageTrust trust;
    if (!ReadTrust(argv[2], withFloor ? argv[4] : nullptr, trust))
        return 2;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    radu::UniqueFileHandle file(CreateFileW(argv[0], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const radu::PackageCheck check = radu::CheckPackage(file.get(), argv[1], trust);
    QueryPerformanceCounter(&end);
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    const bool verified = check.verdict == radu::PackageVerdict::kAccepted;
    std::wprintf(L"%ls\n%ls in %.1f ms\n", DescribeCheck(check, trust).c_str(),
                 verified ? L"verified" : L"refused", ms);
    return verified ? 0 : 1;
}

}  // namespace radtool
