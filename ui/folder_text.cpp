#include "ui/folder_text.h"

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
