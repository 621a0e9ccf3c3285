// Linked into the installer that the install tests build with a maker's key: when RADU_TAMPER_WITH names a
// file, the moment between the package's check and its unpacking is used as a writer of the same user
// would: the package is overwritten in place, replaced by renaming, and deleted and put back, each with
// that file's bytes. What each attempt achieved goes to "radu-tamper.txt" in the temporary folder.
#include <windows.h>

#include <string>

#include "app/install_worker.h"

namespace {

void TamperWith(const wchar_t* package) {
    wchar_t forged[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"RADU_TAMPER_WITH", forged, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::string record;
    HANDLE file = CreateFileW(package, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        record += "write-refused ";
    } else {
        CloseHandle(file);
        record += CopyFileW(forged, package, FALSE) ? "written " : "write-failed ";
    }
    const std::wstring copy = std::wstring(package) + L".forged";
    CopyFileW(forged, copy.c_str(), FALSE);
    record +=
        MoveFileExW(copy.c_str(), package, MOVEFILE_REPLACE_EXISTING) ? "replaced " : "replace-refused ";
    DeleteFileW(copy.c_str());
    record += DeleteFileW(package) && CopyFileW(forged, package, FALSE) ? "deleted" : "delete-refused";

    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring log = std::wstring(temp) + L"radu-tamper.txt";
    HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(out);
}

const bool kHooked = (radu::afterPackageCheck = TamperWith, true);

}  // namespace
