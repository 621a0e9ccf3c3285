#include "ui/folder_browser.h"

#include <windows.h>
#include <shlobj.h>

#include "common/unique_handle.h"
#include "ui/folder_text.h"

namespace radu::ui {
namespace {

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED)
        ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

std::wstring DefaultInstallFolder() {
    wchar_t path[kPathUnits] = L"";
    if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE))
        path[0] = L'\0';
    return std::wstring(path) + L"\\";
}

BrowseOutcome BrowseForFolder(HWND owner, const std::wstring& start, std::wstring& chosen) {
    // The shell's allocator frees the item lists it returns; held until the last of them is freed.
    radu::UniqueComPtr<IMalloc> allocator;
    if (FAILED(::SHGetMalloc(allocator.put())) || !allocator)
        return BrowseOutcome::kNotShown;

    LPITEMIDLIST root = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &root);

    wchar_t displayName[kPathUnits] = L"";
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = root;
    info.pszDisplayName = displayName;
    info.lpszTitle = L"选择解压文件路径";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(start.c_str());

    BrowseOutcome outcome = BrowseOutcome::kCancelled;
    LPITEMIDLIST item = ::SHBrowseForFolderW(&info);
    if (item != nullptr) {
        wchar_t path[kPathUnits] = L"";
        if (::SHGetPathFromIDListW(item, path)) {
            chosen = path;
            outcome = BrowseOutcome::kChosen;
        } else {
            outcome = BrowseOutcome::kNoPath;
        }
        allocator->Free(item);
    }
    if (root != nullptr)
        allocator->Free(root);
    return outcome;
}

}  // namespace radu::ui
