// Whether an open file is the plain file its path names. The installer runs as administrator and writes
// into folders that ordinary programs of the user can write too (the temporary folder, a custom install
// folder); such a program can put a symbolic link, a junction or a mount point, or a second hard link,
// where the installer will open a name, and so steer its writes to any file of the machine. What the open
// handle says cannot be changed by renaming things afterwards: its final path is the path with every link,
// junction and mount point on the way followed, and its link count tells a second name.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace radu {

// The handle's path with every link on the way followed, as "C:\..." or "\\server\share\..." (the "\\?\"
// form stripped); empty when the system cannot tell it.
inline std::wstring FinalPathOf(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length);  // the length the path needs, terminator included
    }
    constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\", kLocal = L"\\\\?\\";
    if (path.compare(0, kUnc.size(), kUnc) == 0)
        return L"\\\\" + path.substr(kUnc.size());
    if (path.compare(0, kLocal.size(), kLocal) == 0)
        return path.substr(kLocal.size());
    return path;
}

// Two paths that name the same place in the file system's eyes, which compares names without regard to
// case.
inline bool SamePath(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// Deletes what the handle is on (a file, or an empty folder; opened with DELETE access), read-only or not,
// through the handle: never by a name, which may lead elsewhere by the time it is used. `attributes` are
// the entry's own; a read-only entry has that attribute cleared first, since the system refuses to delete
// it. True when the entry goes once its last handle closes.
inline bool DeleteByHandle(HANDLE entry, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic = {};  // times of 0 stay as they are
        basic.FileAttributes = attributes & ~FILE_ATTRIBUTE_READONLY;
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        ::SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO gone = {TRUE};
    return ::SetFileInformationByHandle(entry, FileDispositionInfo, &gone, sizeof gone) != FALSE;
}

// True for a handle on a disk file that is no folder and no reparse point, has this one name only, and is
// reached at exactly `finalPath` (a path as FinalPathOf gives it) with no link on the way.
inline bool IsPlainFileAt(HANDLE file, std::wstring_view finalPath) {
    // Asked for one by one: GetFileInformationByHandle also reads the volume's information, which costs
    // Wine some 0.1 ms a call.
    FILE_STANDARD_INFO standard;
    FILE_BASIC_INFO basic;
    if (::GetFileType(file) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        !::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic))
        return false;
    if (standard.Directory ||
        (basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    return standard.NumberOfLinks == 1 && SamePath(FinalPathOf(file), finalPath);
}

}  // namespace radu
