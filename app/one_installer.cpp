#include "app/one_installer.h"

#include <cwchar>

#include "app/download_folder.h"
#include "app/product.h"

namespace radu {

namespace {

// A copy that is ending deletes its guard file and may remove the folder between this copy's look at the
// folder and its opening of the file (then the open fails with "access denied" or "path not found"
// rather than a sharing violation): such an open is tried again, for about a second.
constexpr int kGuardRounds = 20;
constexpr DWORD kGuardRetryMs = 50;

struct WindowSearch {
    DWORD self;
    HWND found;
};

BOOL CALLBACK FindInstallerWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t title[64] = L"";
    if (pid != search->self && ::IsWindowVisible(hwnd) && ::GetWindowTextW(hwnd, title, 64) > 0 &&
        std::wcscmp(title, kWindowTitle) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

COneInstaller::~COneInstaller() {
    if (!guard)
        return;
    guard.reset();  // the file goes with its handle
    // Fails, as it should, while part files wait for the next run or another copy has taken the guard.
    ::RemoveDirectoryW(folder.c_str());
}

bool COneInstaller::Take() {
    for (int round = 0; round < kGuardRounds; ++round) {
        folder = PrepareDownloadFolder();
        if (folder.empty())
            return true;
        guard.reset(::CreateFileW((folder + kGuardFileName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (guard)
            return true;
        if (::GetLastError() == ERROR_SHARING_VIOLATION) {
            folder.clear();
            return false;
        }
        ::Sleep(kGuardRetryMs);
    }
    folder.clear();  // a guard that cannot be had does not keep the install from running
    return true;
}

void ShowRunningInstaller(DWORD limitMs) {
    WindowSearch search = {::GetCurrentProcessId(), nullptr};
    const DWORD start = ::GetTickCount();
    for (;;) {
        ::EnumWindows(&FindInstallerWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || ::GetTickCount() - start >= limitMs)
            break;
        ::Sleep(50);  // the first copy is still setting up its window
    }
    if (search.found == nullptr) {
        ::MessageBoxW(nullptr, kAnotherInstallerRunsText, L"提示",
                      MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        return;
    }
    if (::IsIconic(search.found))
        ::ShowWindowAsync(search.found, SW_RESTORE);
    // A box the installer shows (the download fallback, an unpack failure) is what the user must answer.
    ::SetForegroundWindow(::GetLastActivePopup(search.found));
}

}  // namespace radu
