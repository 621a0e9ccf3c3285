#include "ui/folder_text.h"

#include <algorithm>
#include <utility>

#include "common/plain_text.h"

namespace radu::ui {

bool FolderTextFits(std::wstring_view folder) {
    return folder.size() <= kMaxFolderTextUnits;
}

bool JoinProductPath(std::wstring_view folder, std::wstring_view relative, wchar_t* out,
                     std::size_t capacity) {
    if (out == nullptr || capacity == 0)
        return false;
    out[0] = L'\0';
    if (folder.size() + relative.size() + 1 > capacity)
        return false;
    folder.copy(out, folder.size());
    relative.copy(out + folder.size(), relative.size());
    out[folder.size() + relative.size()] = L'\0';
    return true;
}

namespace {

// A folder's name as the system keeps it: no character a file name may not hold, not a step ("." or
// ".."), and nothing the system would take off its end (dots and blanks).
bool UsableName(std::wstring_view name) {
    if (name == L"." || name == L".." || name.back() == L'.' || name.back() == L' ')
        return false;
    for (wchar_t c : name)
        if (c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos)
            return false;
    return true;
}

}  // namespace

bool InstallFolderFromText(std::wstring_view text, std::wstring& folder) {
    folder.clear();
    std::wstring path(TrimWhitespace(text));
    std::replace(path.begin(), path.end(), L'/', L'\\');
    const auto isLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
    std::wstring out;
    size_t at = 0;
    size_t rootNames = 0;  // names that belong to the root: a UNC path's server and share
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        out = path.substr(0, 3);
        at = 3;
    } else if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\') {
        out = L"\\\\";
        at = 2;
        rootNames = 2;
    } else {
        return false;  // empty, or relative to the current folder or drive
    }
    size_t names = 0;
    while (at <= path.size()) {
        size_t end = path.find(L'\\', at);
        if (end == std::wstring::npos)
            end = path.size();
        const std::wstring_view name = std::wstring_view(path).substr(at, end - at);
        at = end + 1;
        if (name.empty()) {
            if (names < rootNames)
                return false;  // "\\server\\share": no share
            continue;          // a repeated or final separator
        }
        if (!UsableName(name))
            return false;
        out.append(name);
        out.push_back(L'\\');
        ++names;
    }
    if (names < rootNames)
        return false;
    folder = std::move(out);
    return true;
}

std::wstring WithoutLineBreaks(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text)
        if (c != L'\r' && c != L'\n')
            out.push_back(c);
    return out;
}

std::wstring WithTrailingSeparator(std::wstring path) {
    if (!path.empty() && path.back() != L'\\')
        path.push_back(L'\\');
    return path;
}

std::wstring WithoutTrailingSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

}  // namespace radu::ui
