// The user's choices: licence, options, install folder; and the texts of the installing page.
#include <vector>

#include "common/plain_text.h"
#include "ui/control_ids.h"
#include "ui/folder_browser.h"
#include "ui/folder_text.h"
#include "ui/main_view.h"

namespace radu::ui {

bool CMainView::LicenceAccepted() const {
    return ::SendMessageW(licenceBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CMainView::EnableInstall(bool enable) {
    ::EnableWindow(installButton.hwnd(), enable ? TRUE : FALSE);
    ::EnableWindow(arrowButton.hwnd(), enable ? TRUE : FALSE);
}

bool CMainView::InstallEnabled() const {
    return ::IsWindowEnabled(installButton.hwnd()) != FALSE;
}

void CMainView::FlipOption(int labelId) {
    const int index = labelId - kIdOptionLabelDesktop;
    if (index < 0 || index > 2)
        return;
    HWND box = optionBoxes[index];
    const bool checked = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::SendMessageW(box, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
}

bool CMainView::OptionChecked(int boxId) const {
    return ::IsDlgButtonChecked(dialogWindow, boxId) == BST_CHECKED;
}

std::wstring CMainView::FolderText() const {
    wchar_t text[kPathUnits] = L"";
    ::GetWindowTextW(folderField.hwnd(), text, kPathUnits);
    return text;
}

std::wstring CMainView::FullFolderText() const {
    const int length = ::GetWindowTextLengthW(folderField.hwnd());
    std::vector<wchar_t> text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    ::GetWindowTextW(folderField.hwnd(), text.data(), static_cast<int>(text.size()));
    return text.data();
}

void CMainView::ShowFolderTooLong() const {
    ::MessageBoxW(dialogWindow, L"安装路径太长（不能超过230个字符），请选择一个路径较短的文件夹。", L"提示",
                  MB_OK | MB_ICONWARNING);
}

void CMainView::ShowFolderUnusable() const {
    ::MessageBoxW(dialogWindow,
                  L"请输入完整的安装路径，例如 C:\\Program Files\\，路径中不能含有 < > : \" | ? * 等字符。",
                  L"提示", MB_OK | MB_ICONWARNING);
}

void CMainView::SetInstallFolder(const std::wstring& folder) {
    installFolder = folder;
    ::SetWindowTextW(folderField.hwnd(), installFolder.c_str());
}

void CMainView::OnBrowse() {
    std::wstring chosen;
    if (BrowseForFolder(dialogWindow, WithoutTrailingSeparator(installFolder), chosen) ==
        BrowseOutcome::kChosen) {
        std::wstring folder = WithTrailingSeparator(chosen);
        if (FolderTextFits(folder))
            installFolder = folder;
        else
            ShowFolderTooLong();  // the previous folder stays
    }
    installFolder = std::wstring(TrimWhitespace(installFolder));
    ::SetWindowTextW(folderField.hwnd(), installFolder.c_str());
}

void CMainView::SetStatusText(const wchar_t* text) {
    ::SetDlgItemTextW(dialogWindow, kIdStatusText, text);
    AnnounceAccessible(progress.hwnd(), EVENT_OBJECT_NAMECHANGE);  // the bar is named by this text
}

void CMainView::SetPercentText(const wchar_t* text) {
    ::SetDlgItemTextW(dialogWindow, kIdPercentText, text);
}

}  // namespace radu::ui
