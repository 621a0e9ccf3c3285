// Stands in for the installed product (and for the browser) in tests: when started it writes its own path
// and, on a second line, its whole command line into "started.txt" beside itself, so a test can see that,
// how and with what it was started.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    const std::wstring record = path + L"\n" + ::GetCommandLineW();
    // Written under another name and renamed: a test that sees "started.txt" sees all of it.
    const std::wstring draft = folder + L"started.tmp";
    HANDLE file = ::CreateFileW(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    ::WriteFile(file, record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
    return ::MoveFileExW(draft.c_str(), (folder + L"started.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
