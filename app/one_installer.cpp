#include "app/one_installer.h"

#include <cwchar>

#include "app/product.h"

namespace radu {

namespace {

// In the global namespace: an installer started in another session writes the same files.
constexpr wchar_t kGuardName[] = L"Global\\RadurodiSetup.OneInstaller";

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
    if (held)
        ::ReleaseMutex(mutex.get());
}

bool COneInstaller::Take() {
    mutex.reset(::CreateMutexW(nullptr, FALSE, kGuardName));
    if (!mutex)
        return ::GetLastError() != ERROR_ACCESS_DENIED;  // made by another installer with other rights
    // WAIT_ABANDONED: the last holder ended without letting go; the guard is this copy's now.
    const DWORD wait = ::WaitForSingleObject(mutex.get(), 0);
    held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return held;
}

bool ShowRunningInstaller(DWORD limitMs) {
    WindowSearch search = {::GetCurrentProcessId(), nullptr};
    const DWORD start = ::GetTickCount();
    for (;;) {
        ::EnumWindows(&FindInstallerWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || ::GetTickCount() - start >= limitMs)
            break;
        ::Sleep(50);  // the first copy is still setting up its window
    }
    if (search.found == nullptr)
        return false;
    if (::IsIconic(search.found))
        ::ShowWindowAsync(search.found, SW_RESTORE);
    // A box the installer shows (the download fallback, an unpack failure) is what the user must answer.
    ::SetForegroundWindow(::GetLastActivePopup(search.found));
    return true;
}

}  // namespace radu
