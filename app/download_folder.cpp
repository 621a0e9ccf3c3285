#include "app/download_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <vector>

#include "common/plain_file.h"
#include "common/unique_handle.h"

namespace radu {

namespace {

// Levels below a folder that is discarded; anything deeper was not made by this program.
constexpr int kDeepestDiscard = 8;

enum class FolderState { kMissing, kAsMade, kOther };

// What a folder's security reads back as.
struct FolderSecurity {
    UniqueLocalMemory descriptor;  // owner and dacl point into it
    PSID owner = nullptr;
    PACL dacl = nullptr;
    bool protectedDacl = false;
};

bool ReadSecurity(HANDLE folder, FolderSecurity& out) {
    if (::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          &out.owner, nullptr, &out.dacl, nullptr, out.descriptor.put()) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!::GetSecurityDescriptorControl(out.descriptor.get(), &control, &revision))
        return false;
    out.protectedDacl = (control & SE_DACL_PROTECTED) != 0;
    return true;
}

bool SameAcl(PACL a, PACL b) {
    if (a == nullptr || b == nullptr)
        return a == b;
    if (a->AceCount != b->AceCount)
        return false;
    for (DWORD i = 0; i < a->AceCount; ++i) {
        void* x = nullptr;
        void* y = nullptr;
        if (!::GetAce(a, i, &x) || !::GetAce(b, i, &y))
            return false;
        const WORD size = static_cast<ACE_HEADER*>(x)->AceSize;
        if (size != static_cast<ACE_HEADER*>(y)->AceSize || std::memcmp(x, y, size) != 0)
            return false;
    }
    return true;
}

bool SameSecurity(const FolderSecurity& a, const FolderSecurity& b) {
    return a.owner && b.owner && ::EqualSid(a.owner, b.owner) && SameAcl(a.dacl, b.dacl) &&
           a.protectedDacl == b.protectedDacl;
}

// Opened on the entry the path names, not on what a link there leads to (with FILE_FLAG_OPEN_REPARSE_POINT
// Windows hands out the link itself; Wine 8 opens a Unix symlink's target whatever the flags). Folders
// need FILE_FLAG_BACKUP_SEMANTICS.
UniqueFileHandle OpenEntry(const std::wstring& path, DWORD access) {
    return UniqueFileHandle(
        ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// True when the handle is on exactly the entry `path` names: the system's own name for what the handle
// is on is that path, so no link or mount point on the way or at the end led elsewhere. Under Wine a
// handle opened through a Unix symlink is named after the symlink's target.
bool IsEntryItself(HANDLE entry, std::wstring path) {
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    const std::wstring final = FinalPathOf(entry);
    return !final.empty() && SamePath(final, path);
}

// Every step from the root down to `path` is a folder, none a link or a mount point.
bool NoLinkOnTheWay(const std::wstring& path) {
    const wchar_t* afterRoot = ::PathSkipRootW(path.c_str());
    if (afterRoot == nullptr)
        return false;
    for (size_t i = static_cast<size_t>(afterRoot - path.c_str()); i <= path.size(); ++i) {
        if (i < path.size() && path[i] != L'\\')
            continue;
        if (path[i - 1] == L'\\')
            continue;  // the root itself, or a trailing separator
        const std::wstring step = path.substr(0, i);
        const DWORD attributes = ::GetFileAttributesW(step.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
            RedirectsNameAt(step, attributes))
            return false;
    }
    return true;
}

// The names in a folder, read through a handle on it (FILE_LIST_DIRECTORY). False when they cannot be read.
bool NamesIn(HANDLE folder, std::vector<std::wstring>& names) {
    alignas(8) unsigned char block[16384];
    for (;;) {
        if (!::GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, block, sizeof block))
            return ::GetLastError() == ERROR_NO_MORE_FILES;
        for (size_t at = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(block + at);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                names.push_back(name);
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
}

// Removes the entry `path` and, when it is a real folder, everything in it, each through a handle on the
// entry itself: a link goes, never what it leads to. False when anything could not be removed. Under Wine
// that is every Unix symlink: each call that removes or renames by name acts on the symlink's target.
bool Discard(const std::wstring& path, int depth) {
    UniqueFileHandle entry =
        OpenEntry(path, DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    DWORD attributes = 0, tag = 0;
    if (!entry || !AttributesOf(entry.get(), attributes, tag) || !IsEntryItself(entry.get(), path))
        return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !RedirectsName(attributes, tag)) {
        std::vector<std::wstring> names;
        if (depth >= kDeepestDiscard || !NamesIn(entry.get(), names))
            return false;
        for (const std::wstring& name : names) {
            if (!Discard(path + L"\\" + name, depth + 1))
                return false;
        }
    }
    return DeleteByHandle(entry.get(), attributes);
}

// How this system reports the security of a folder made with `security`: read from a folder made for
// the purpose beside the real one and removed at once. On Windows that is the descriptor as given; a
// system that keeps no descriptors (Wine 8 derives owner and DACL from the Unix owner and mode) reports
// its own rendering of it, which a folder made earlier the same way also shows.
bool ReadSecurityAsMade(const std::wstring& folder, SECURITY_ATTRIBUTES& security, FolderSecurity& out) {
    const std::wstring probe = folder + L"." + std::to_wstring(::GetCurrentProcessId()) + L".check";
    if (!::CreateDirectoryW(probe.c_str(), &security))
        return false;
    bool read = false;
    {
        UniqueFileHandle handle = OpenEntry(probe, READ_CONTROL | FILE_READ_ATTRIBUTES);
        read = handle && IsEntryItself(handle.get(), probe) && ReadSecurity(handle.get(), out);
    }
    return Discard(probe, 0) && read;
}

FolderState StateOf(const std::wstring& folder, SECURITY_ATTRIBUTES& security, bool& unknown) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return FolderState::kMissing;
        return FolderState::kOther;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || RedirectsNameAt(folder, attributes))
        return FolderState::kOther;
    UniqueFileHandle handle = OpenEntry(folder, READ_CONTROL | FILE_READ_ATTRIBUTES);
    DWORD own = 0, tag = 0;
    FolderSecurity found;
    if (!handle || !AttributesOf(handle.get(), own, tag) || !(own & FILE_ATTRIBUTE_DIRECTORY) ||
        RedirectsName(own, tag) || !IsEntryItself(handle.get(), folder) || !ReadSecurity(handle.get(), found))
        return FolderState::kOther;
    FolderSecurity made;
    if (!ReadSecurityAsMade(folder, security, made)) {
        unknown = true;  // nothing to compare with: neither kept nor discarded
        return FolderState::kOther;
    }
    return SameSecurity(found, made) ? FolderState::kAsMade : FolderState::kOther;
}

std::wstring ProgramFilesFolder() {
    wchar_t path[MAX_PATH] = L"";
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path)) || !*path)
        return {};
    std::wstring folder = path;
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

// The folder `name` below `parent` when it can be one of the installer's own: it fits, with its files and
// the probe beside it (up to 17 units longer), and nothing on the way is a link. Empty otherwise.
std::wstring FolderBelow(const std::wstring& parent, const wchar_t* name) {
    const std::wstring folder = parent + name;
    if (parent.empty() || parent.back() != L'\\' || folder.size() + 1 + kLongestDownloadName > MAX_PATH - 1 ||
        folder.size() + 17 > MAX_PATH - 1 || !NoLinkOnTheWay(parent))
        return {};
    return folder;
}

UniqueLocalMemory OwnDescriptor() {
    UniqueLocalMemory descriptor;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(kDownloadFolderSddl, SDDL_REVISION_1,
                                                           descriptor.put(), nullptr);
    return descriptor;
}

}  // namespace

std::wstring PrepareOwnFolder(const std::wstring& parent, const wchar_t* name) {
    const std::wstring folder = FolderBelow(parent, name);
    UniqueLocalMemory descriptor = OwnDescriptor();
    if (folder.empty() || !descriptor)
        return {};
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.get(), FALSE};
    // Another copy of the installer may make the folder between this copy's look and its own attempt:
    // then the folder is looked at again.
    for (int round = 0; round < 3; ++round) {
        bool unknown = false;
        const FolderState state = StateOf(folder, security, unknown);
        if (state == FolderState::kAsMade)
            return folder + L"\\";
        if (unknown || (state == FolderState::kOther && !Discard(folder, 0)))
            return {};
        if (::CreateDirectoryW(folder.c_str(), &security))
            return folder + L"\\";
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

std::wstring PrepareDownloadFolder() {
    const std::wstring parent = ProgramFilesFolder();
    return parent.empty() ? std::wstring() : PrepareOwnFolder(parent, kDownloadFolderName);
}

std::wstring ExistingDownloadFolder() {
    const std::wstring folder = FolderBelow(ProgramFilesFolder(), kDownloadFolderName);
    UniqueLocalMemory descriptor = OwnDescriptor();
    if (folder.empty() || !descriptor)
        return {};
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor.get(), FALSE};
    bool unknown = false;
    return StateOf(folder, security, unknown) == FolderState::kAsMade ? folder + L"\\" : std::wstring();
}

}  // namespace radu
