#include "support/planted_links.h"

#include <windows.h>

#include <string>

#include "common/plain_file.h"
#include "common/unique_handle.h"

namespace radu::test {

namespace {

// Wine's own export for the Unix name of a Windows path (the last component need not exist).
std::string UnixName(const std::wstring& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    static const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return {};
    char* name = convert(path.c_str());
    if (name == nullptr)
        return {};
    std::string out = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return out;
}

// Runs a shell command line, and waits for it to end. Wine starts a Unix program without a process of
// its own to wait for (the handle it returns tells nothing, and a link to nothing stays invisible to
// Windows programs), so the command leaves a marker file once it is done.
bool RunShell(const std::string& command, const std::wstring& nearby) {
    const std::wstring marker = nearby + L".radu-done";
    const std::string markerName = UnixName(marker);
    if (markerName.empty())
        return false;
    std::wstring line = L"Z:\\bin\\sh -c \"";
    for (char c : command + " && touch '" + markerName + "'")
        line += static_cast<wchar_t>(static_cast<unsigned char>(c));
    line += L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started))
        return false;
    UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    for (const DWORD start = ::GetTickCount();
         ::GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ::Sleep(10)) {
        if (::GetTickCount() - start > 60000)  // however slow the machine
            return false;
    }
    ::DeleteFileW(marker.c_str());
    return true;
}

UniqueFileHandle Opened(const std::wstring& path) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::string Quoted(const std::string& unixName) {
    return " '" + unixName + "'";
}

}  // namespace

bool PlantLink(const std::wstring& link, const std::wstring& target, LinkKind kind) {
    const std::string from = UnixName(link), to = UnixName(target);
    const char* ln = kind == LinkKind::kSymbolic ? "ln -s -n -f" : "ln -f";
    return !from.empty() && !to.empty() && RunShell(ln + Quoted(to) + Quoted(from), link);
}

bool RemoveLink(const std::wstring& link) {
    const std::string name = UnixName(link);
    return !name.empty() && RunShell("rm -f" + Quoted(name), link);
}

std::wstring FinalPath(const std::wstring& path) {
    return FinalPathOf(Opened(path).get());
}

bool IsSymbolicLink(const std::wstring& path) {
    std::wstring name = path;
    while (!name.empty() && name.back() == L'\\')
        name.pop_back();
    const size_t cut = name.find_last_of(L'\\');
    if (cut == std::wstring::npos)
        return false;
    const std::wstring parent = name.substr(0, cut + 1), leaf = name.substr(cut + 1);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;  // nothing, or (under Wine, which hides them) a link to nothing
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return true;
    // A link to a file reads as a plain file; its final path names the target, where a plain file's is
    // its folder's followed by its name.
    const std::wstring folder = FinalPathOf(Opened(parent).get());
    const std::wstring file = FinalPathOf(Opened(name).get());
    return !folder.empty() && !file.empty() &&
           !SamePath(file, (folder.back() == L'\\' ? folder : folder + L"\\") + leaf);
}

}  // namespace radu::test
