// Stands in for the installed product (and for the browser) in tests: when started it writes its own path,
// on a second line its whole command line and on a third the process that started it (its ID and program
// name) into "started.txt" beside itself, so a test can see that, how, with what and by whom it was
// started.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

namespace {

// "ID NAME" of the process that created this one; NAME is empty when it has gone already.
std::wstring Parent() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return L"0 ";
    DWORD parent = 0;
    std::wstring name;
    for (int pass = 0; pass < 2; ++pass) {  // first this process's entry, then its parent's
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
             more = ::Process32NextW(snapshot, &entry)) {
            if (pass == 0 && entry.th32ProcessID == ::GetCurrentProcessId())
                parent = entry.th32ParentProcessID;
            else if (pass == 1 && entry.th32ProcessID == parent)
                name = entry.szExeFile;
        }
    }
    ::CloseHandle(snapshot);
    return std::to_wstring(parent) + L" " + name;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = L"";
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    const std::wstring record = path + L"\n" + ::GetCommandLineW() + L"\n" + Parent();
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
