#include "ui/folder_text.h"

#include <cwctype>

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

std::wstring TrimWhitespace(std::wstring_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::iswspace(text[begin]))
        ++begin;
    while (end > begin && std::iswspace(text[end - 1]))
        --end;
    return std::wstring(text.substr(begin, end - begin));
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
