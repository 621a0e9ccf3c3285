// What each page shows. Controls keep their places; pages only hide, show, enable and relabel them and
// choose the page picture. A screen reader is told of each page change: the dialog's client object is the
// page, named by what it is for.
#include "ui/control_ids.h"
#include "ui/install_state.h"
#include "ui/main_view.h"

namespace radu::ui {

void CMainView::Show(HWND control, bool show) const {
    if (control != nullptr)
        ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

// By ID, so 1005 reaches the folder label.
void CMainView::ShowItem(int id, bool show) const {
    Show(::GetDlgItem(dialogWindow, id), show);
}

void CMainView::InvalidatePicture() {
    RECT picture = {0, 0, scale(kClientWidth), scale(kPictureHeight)};
    ::InvalidateRect(dialogWindow, &picture, FALSE);
}

// The custom page's panel: folder label and field, browse button, the three options with their labels.
void CMainView::ShowCustomPanel(bool show) const {
    ShowItem(kIdFolderLabel, show);
    for (int id : {kIdOptionLabelDesktop, kIdOptionLabelStartMenu, kIdOptionLabelAutoStart})
        ShowItem(id, show);
    Show(folderField.hwnd(), show);
    for (HWND box : optionBoxes)
        Show(box, show);
    Show(browseButton.hwnd(), show);
}

namespace {
const wchar_t* const kPageNames[] = {L"欢迎", L"自定义安装", L"正在安装", L"安装完成"};
}  // namespace

void CMainView::DescribeAccessible(AccessibleDescription& out) const {
    out.role = ROLE_SYSTEM_PROPERTYPAGE;
    out.name = kPageNames[shownPage];
}

void CMainView::ShowPage(int state) {
    switch (state) {
        case StateWelcome:
            EnableInstall(false);
            ShowCustomPanel(false);
            ShowItem(kIdStatusText, false);
            Show(progress.hwnd(), false);
            ShowItem(kIdPercentText, false);
            break;

        case StateCustom:
            installButton.SetButtonText(L"安装");
            Show(licenceBox, false);
            Show(licenceLink.hwnd(), false);
            ShowItem(kIdCustomInstallLink, false);
            Show(arrowButton.hwnd(), false);
            ShowItem(kIdStatusText, false);
            ShowItem(kIdPercentText, false);
            Show(progress.hwnd(), false);
            pageImage = 1;
            InvalidatePicture();
            ShowCustomPanel(true);
            break;

        case StateInstalling:
            ShowCustomPanel(false);
            ShowItem(kIdStatusText, true);
            Show(licenceBox, false);
            Show(licenceLink.hwnd(), false);
            ShowItem(kIdCustomInstallLink, false);
            Show(arrowButton.hwnd(), false);
            Show(installButton.hwnd(), false);
            Show(progress.hwnd(), true);
            ShowItem(kIdPercentText, true);
            previousImage = pageImage;  // the first banner is revealed over the page before
            pageImage = 2;
            InvalidatePicture();
            ::SetTimer(dialogWindow, ID_TIMER_SLIDESHOW, kSlideshowIntervalMs, nullptr);
            break;

        case StateFinished:
            ShowItem(kIdStatusText, false);
            Show(progress.hwnd(), false);
            ShowItem(kIdPercentText, false);
            installButton.SetButtonText(L"完成");
            Show(installButton.hwnd(), true);
            pageImage = 4;
            InvalidatePicture();
            break;

        default:
            return;
    }
    shownPage = state;
    AnnounceAccessible(dialogWindow, EVENT_OBJECT_NAMECHANGE);
}

}  // namespace radu::ui
