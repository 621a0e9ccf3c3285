#include "support/unix_links.h"

#include <windows.h>

#include "common/unique_handle.h"

namespace radu::test {

namespace {

std::string UnixPath(const std::wstring& path) {
    // Wine's own export, cdecl: the Unix path of a Windows path, allocated on the process heap.
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    const FARPROC found = ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(found));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    if (unix == nullptr)
        return {};
    std::string out = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return out;
}

// Starts a Unix program with the given arguments. Wine neither reports its exit code nor waits for its end
// through the process handle: the caller waits for what the program does.
bool RunUnix(const std::string& program, const std::string& first, const std::string& second = "") {
    std::string command = program + " \"" + first + "\"";
    if (!second.empty())
        command += " \"" + second + "\"";
    std::wstring wide(command.begin(), command.end());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &info))
        return false;
    UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    return true;
}

bool Present(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(::FindFirstFileW(path.c_str(), &found));
    return static_cast<bool>(find) || ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Becomes(const std::wstring& path, bool present) {
    const DWORD start = ::GetTickCount();
    while (Present(path) != present) {
        if (::GetTickCount() - start > 60000)  // the Unix program runs beside, however slow the machine
            return false;
        ::Sleep(5);
    }
    return true;
}

}  // namespace

bool PlantLink(const std::wstring& link, const std::wstring& target) {
    std::wstring parent = link.substr(0, link.find_last_of(L'\\'));
    const std::string unixTarget = UnixPath(target), unixParent = UnixPath(parent);
    if (unixTarget.empty() || unixParent.empty())
        return false;
    const std::wstring name = link.substr(parent.size() + 1);
    return RunUnix("/bin/ln -s", unixTarget, unixParent + "/" + std::string(name.begin(), name.end())) &&
           Becomes(link, true);
}

bool RemoveLink(const std::wstring& link) {
    std::wstring parent = link.substr(0, link.find_last_of(L'\\'));
    const std::string unixParent = UnixPath(parent);
    const std::wstring name = link.substr(parent.size() + 1);
    return !unixParent.empty() &&
           RunUnix("/bin/rm -f", unixParent + "/" + std::string(name.begin(), name.end())) &&
           Becomes(link, false);
}

std::wstring FinalPath(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    wchar_t final[MAX_PATH + 8];
    const DWORD length = file ? ::GetFinalPathNameByHandleW(file.get(), final, MAX_PATH + 8, 0) : 0;
    if (length < 4 || length >= MAX_PATH + 8)
        return {};
    return std::wstring(final + 4, length - 4);
}

}  // namespace radu::test
