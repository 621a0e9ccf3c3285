#include "extract/output_tree.h"

#include <algorithm>
#include <vector>

#include "common/plain_file.h"

namespace radu {

namespace {

void DropFinalSeparator(std::wstring& path) {
    if (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
}

// Replaces an existing file. CreateFileW with CREATE_ALWAYS fails with ERROR_ACCESS_DENIED on an existing
// file that is read-only, or hidden or system without those attributes being asked for, as an earlier
// install may have left it; such a file has its attributes cleared for one more try, and gets them back
// should that fail too. Readers are let in: the caller holds the file open for reading meanwhile.
UniqueFileHandle ReplaceExisting(const std::wstring& path, DWORD attributes) {
    auto create = [&] {
        return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              CREATE_ALWAYS, attributes, nullptr));
    };
    UniqueFileHandle out = create();
    if (out || ::GetLastError() != ERROR_ACCESS_DENIED)
        return out;
    const DWORD existing = ::GetFileAttributesW(path.c_str());
    constexpr DWORD kRefusing = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (existing == INVALID_FILE_ATTRIBUTES || !(existing & kRefusing) ||
        !::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL))
        return out;
    out = create();
    if (!out)
        ::SetFileAttributesW(path.c_str(), existing);
    return out;
}

// Renames what `file` is on to `target` (a full path in the same folder), never over an existing name.
bool RenameByHandle(HANDLE file, const std::wstring& target) {
    std::vector<unsigned char> block(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(block.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    rename->FileName[target.size()] = L'\0';
    return ::SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(block.size())) !=
           FALSE;
}

// A file that another process holds (a running program of the product, one of its DLLs loaded elsewhere)
// cannot be opened for replacing: ERROR_SHARING_VIOLATION. The system lets such a file be renamed, and a
// new file be made at its name: the old file is renamed aside in its folder, through a handle on it that
// is checked like any existing output, the new file is created at the name, and the old one is deleted by
// the system at the next restart (MOVEFILE_DELAY_UNTIL_REBOOT, which takes administrator rights). Should
// the new file not be made, the old one gets its name back.
UniqueFileHandle ReplaceInUse(const std::wstring& path, const std::wstring& expected, DWORD attributes) {
    UniqueFileHandle old(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!old || !IsPlainFileAt(old.get(), expected))
        return {};
    std::wstring aside;
    for (int attempt = 0;; ++attempt) {
        if (attempt == 16)
            return {};
        aside = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) +
                L".old";
        if (RenameByHandle(old.get(), aside))
            break;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return {};
    }
    UniqueFileHandle out(
        ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    if (out && !IsPlainFileAt(out.get(), expected)) {
        DeleteByHandle(out.get(), attributes);
        out.reset();
    }
    if (!out) {
        RenameByHandle(old.get(), path);
        return {};
    }
    old.reset();
    ::MoveFileExW(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return out;
}

}  // namespace

bool OutputTree::MakeFolders(std::wstring_view folders) {
    // The empty relative path stands for the base itself.
    if (!base.empty() && plainFolders.insert(std::wstring()).second &&
        ::GetFileAttributesW(base.c_str()) == INVALID_FILE_ATTRIBUTES)
        ::CreateDirectoryW(base.c_str(), nullptr);
    size_t start = 0;
    while (start < folders.size()) {
        size_t end = folders.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos)
            end = folders.size();
        const bool empty = end == start;
        start = end + 1;
        if (empty)
            continue;
        std::wstring relative(folders.substr(0, end));
        if (plainFolders.count(relative) != 0)
            continue;
        const std::wstring path = base + relative;
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (!::CreateDirectoryW(path.c_str(), nullptr))
                return true;  // then creating a file there fails
        } else if (RedirectsNameAt(path, attributes)) {
            return false;  // a symbolic link or junction to a folder, or a mount point
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return true;  // a file in the way: nothing can be made below it
        }
        plainFolders.insert(std::move(relative));
    }
    return true;
}

std::wstring OutputTree::ExpectedFinalPath(const std::wstring& path) {
    const std::wstring folder = base.empty() ? L"." : base;
    if (baseFinal.empty()) {
        UniqueFileHandle opened(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!opened)
            return {};
        baseFinal = FinalPathOf(opened.get());
        baseFull = FullPathOf(folder);
        DropFinalSeparator(baseFinal);
        DropFinalSeparator(baseFull);
        if (baseFinal.empty() || baseFull.empty()) {
            baseFinal.clear();
            return {};
        }
    }
    // The relative part as the system reads it (separators, "." steps, trailing dots and spaces), below the
    // base as the system reads that.
    const std::wstring full = FullPathOf(path);
    if (full.size() <= baseFull.size() + 1 || full[baseFull.size()] != L'\\' ||
        !SamePath(std::wstring_view(full).substr(0, baseFull.size()), baseFull))
        return {};
    return baseFinal + full.substr(baseFull.size());
}

UniqueFileHandle OutputTree::CreateOutput(std::wstring_view relative, DWORD attributes) {
    const std::wstring path = base + std::wstring(relative);
    const std::wstring expected = ExpectedFinalPath(path);
    if (expected.empty())
        return {};
    // A new file: CREATE_NEW fails on a name that exists in any form, a link to a missing file included,
    // so nothing is created through a link at the name. A link on the way shows in the final path.
    UniqueFileHandle out(
        ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, attributes, nullptr));
    if (out) {
        if (IsPlainFileAt(out.get(), expected))
            return out;
        DeleteByHandle(out.get(), attributes);  // made here with these attributes
        return {};
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
        return {};
    // An existing file is seen to be plain, at this path and of one name, before anything truncates it,
    // and held open without sharing deletion meanwhile, so that it cannot be renamed away and a link put
    // in its place. Under Wine a symbolic link to a file reads as a plain file, and every open follows it,
    // FILE_FLAG_OPEN_REPARSE_POINT or not: the final path tells it.
    UniqueFileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!held || !IsPlainFileAt(held.get(), expected))
        return {};
    out = ReplaceExisting(path, attributes);
    if (!out && ::GetLastError() == ERROR_SHARING_VIOLATION) {
        held.reset();  // it shares no deletion, which the rename needs; the renaming handle is checked anew
        return ReplaceInUse(path, expected, attributes);
    }
    if (out && !IsPlainFileAt(out.get(), expected))
        out.reset();
    return out;
}

}  // namespace radu
