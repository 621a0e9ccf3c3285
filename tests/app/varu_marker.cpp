// Stands in for the installed product in tests: when started it writes its own path into
// "started.txt" beside itself, so a test can see that and how it was started.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring marker(self, length);
    marker = marker.substr(0, marker.find_last_of(L'\\') + 1) + L"started.txt";
    HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    ::WriteFile(file, self, length * sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
