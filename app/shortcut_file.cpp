#include "app/shortcut_file.h"

#include <windows.h>

#include "common/plain_file.h"

namespace radu {

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && ::SetEndOfFile(file);
}

}  // namespace

UniqueFileHandle HoldPlainFolder(const std::wstring& path, bool make) {
    if (make)
        ::CreateDirectoryW(path.c_str(), nullptr);  // an existing one is checked like a new one
    // Sharing reading and writing, not deletion: the folder cannot be renamed or replaced by a junction
    // while it is held, and the files in it can still be written.
    UniqueFileHandle folder(
        ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    DWORD attributes = 0, tag = 0;
    if (!folder || !AttributesOf(folder.get(), attributes, tag) || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        RedirectsName(attributes, tag))
        return {};
    std::wstring expected = FullPathOf(path);
    if (!expected.empty() && expected.back() == L'\\')
        expected.pop_back();
    if (expected.empty() || !SamePath(FinalPathOf(folder.get()), expected))
        return {};
    return folder;
}

bool WritePlainFileIn(const std::wstring& folder, const std::wstring& name, const std::string& bytes) {
    const std::wstring path = folder + L"\\" + name;
    const std::wstring expected = FullPathOf(path);
    if (expected.empty())
        return false;
    // CREATE_NEW fails on a name that exists in any form, a link to a missing file included, so nothing is
    // created through a link at the name; a link on the way shows in the final path.
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        if (IsPlainFileAt(file.get(), expected) && WriteAll(file.get(), bytes))
            return true;
        DeleteByHandle(file.get(), FILE_ATTRIBUTE_NORMAL);
        return false;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
        return false;
    // An earlier install's link: opened without following a link at the name (under Wine every open
    // follows one: the final path tells it), checked through the handle that then rewrites it.
    file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file && IsPlainFileAt(file.get(), expected) && WriteAll(file.get(), bytes);
}

}  // namespace radu
