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

// The path as the system reads it (GetFullPathNameW: "." steps, separators, trailing dots and blanks),
// as the final path of a handle on it names it when no link is on the way; empty when it cannot be read.
inline std::wstring FullPathOf(const std::wstring& path) {
    const DWORD units = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (units == 0)
        return {};
    std::wstring full(units, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), units, full.data(), nullptr);
    if (written == 0 || written >= units)
        return {};
    full.resize(written);
    return full;
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

// Whether an entry with these attributes and reparse tag redirects its name elsewhere. Only name
// surrogates do (symbolic links, junctions, mount points: IsReparseTagNameSurrogate). Every other reparse
// point is a file or folder like any other: files the system compresses (compact /exe, CompactOS), data
// deduplication, cloud placeholders (files on demand, which Desktop and Documents often are). Tag 0 is no
// tag a file system gives; it is what a tag that could not be read, and every link under Wine, shows: it
// counts as a link.
inline bool RedirectsName(DWORD attributes, DWORD reparseTag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag));
}

// The attributes and reparse tag of what a handle is on (the entry itself when it was opened with
// FILE_FLAG_OPEN_REPARSE_POINT); false when the system cannot tell them.
inline bool AttributesOf(HANDLE entry, DWORD& attributes, DWORD& reparseTag) {
    FILE_ATTRIBUTE_TAG_INFO info;
    if (!::GetFileInformationByHandleEx(entry, FileAttributeTagInfo, &info, sizeof info))
        return false;
    attributes = info.FileAttributes;
    reparseTag = info.ReparseTag;
    return true;
}

// By name: whether the entry at `path`, whose own attributes are `attributes` (as GetFileAttributesW gives
// them), redirects its name. The tag is read from the folder's listing, which names the entry itself.
inline bool RedirectsNameAt(const std::wstring& path, DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    if (path.find_first_of(L"*?") != std::wstring::npos)
        return true;  // a listing would read a pattern
    WIN32_FIND_DATAW found;
    const HANDLE listing =
        ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (listing == INVALID_HANDLE_VALUE)
        return true;
    ::FindClose(listing);
    // "If the dwFileAttributes member includes the FILE_ATTRIBUTE_REPARSE_POINT attribute, this member
    // specifies the reparse point tag."
    return RedirectsName(found.dwFileAttributes, found.dwReserved0);
}

// True for a handle on a disk file that is no folder and no link, has this one name only, and is reached
// at exactly `finalPath` (a path as FinalPathOf gives it) with no link on the way.
inline bool IsPlainFileAt(HANDLE file, std::wstring_view finalPath) {
    // Asked for one by one: GetFileInformationByHandle also reads the volume's information, which costs
    // Wine some 0.1 ms a call.
    FILE_STANDARD_INFO standard;
    DWORD attributes = 0, tag = 0;
    if (::GetFileType(file) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ||
        !AttributesOf(file, attributes, tag))
        return false;
    if (standard.Directory || (attributes & FILE_ATTRIBUTE_DIRECTORY) || RedirectsName(attributes, tag))
        return false;
    return standard.NumberOfLinks == 1 && SamePath(FinalPathOf(file), finalPath);
}

}  // namespace radu
