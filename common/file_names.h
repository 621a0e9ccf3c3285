// Rules for names that come from outside (a server's file name, a zip entry's path components) before
// they become a file or folder: what Windows would read as something other than a plain name in its
// folder. Pure text rules, shared by the download engine and the extractor.
#pragma once

#include <string_view>

#include "common/plain_text.h"

namespace radu {

// Only dots and spaces, with at least two dots: once Windows trims trailing dots and spaces the name is
// read as the parent folder.
inline bool IsParentLike(std::wstring_view component) {
    int dots = 0;
    for (wchar_t c : component) {
        if (c == L'.')
            ++dots;
        else if (c != L' ')
            return false;
    }
    return dots >= 2;
}

// A device: CON, PRN, AUX, NUL, COM1-9 and LPT1-9, and COM and LPT with the superscript digits ¹ ² ³,
// in any case of ASCII letters, with or without an extension (the device is named by what comes before
// the first dot, trailing spaces ignored).
inline bool IsDeviceName(std::wstring_view component) {
    std::wstring_view stem = component.substr(0, component.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.remove_suffix(1);
    if (SameIgnoringAsciiCase(stem, L"CON") || SameIgnoringAsciiCase(stem, L"PRN") ||
        SameIgnoringAsciiCase(stem, L"AUX") || SameIgnoringAsciiCase(stem, L"NUL"))
        return true;
    if (stem.size() != 4)
        return false;
    const wchar_t digit = stem[3];
    const bool numbered =
        (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    return numbered && (SameIgnoringAsciiCase(stem.substr(0, 3), L"COM") ||
                        SameIgnoringAsciiCase(stem.substr(0, 3), L"LPT"));
}

// A name that names a plain file in its folder and nothing else: not empty, no folder separators, no
// drive or stream colon, no control characters or characters Windows refuses in names, not a device, and
// not only dots and spaces (Windows trims trailing dots and spaces, which leaves the folder itself or
// its parent).
inline bool IsPlainFileName(std::wstring_view name) {
    if (IsDeviceName(name) || name.find_first_not_of(L". ") == std::wstring_view::npos)
        return false;
    for (wchar_t c : name) {
        if (c < 0x20 || c == 0x7F || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
            return false;
    }
    return true;
}

}  // namespace radu
