// What each page shows. Controls keep their places; pages only hide, show, enable and relabel them and
// choose the page picture.
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
    Show(::GetDlgItem(dialog_, id), show);
}

void CMainView::InvalidatePicture() {
    RECT picture = {0, 0, 600, kPictureHeight};
    ::InvalidateRect(dialog_, &picture, FALSE);
}

void CMainView::ShowPage(int state) {
    const int optionLabels[3] = {kIdOptionLabelDesktop, kIdOptionLabelStartMenu, kIdOptionLabelAutoStart};
    switch (state) {
        case StateWelcome:
            EnableInstall(false);
            ShowItem(kIdFolderLabel, false);
            ShowItem(kIdStatusText, false);
            for (int id : optionLabels)
                ShowItem(id, false);
            Show(folderField_.hwnd(), false);
            Show(browseButton_.hwnd(), false);
            for (HWND box : optionBoxes_)
                Show(box, false);
            Show(progress_.hwnd(), false);
            ShowItem(kIdPercentText, false);
            break;

        case StateCustom:
            installButton_.SetButtonText(L"安装");
            Show(licenceBox_, false);
            Show(licenceLink_.hwnd(), false);
            ShowItem(kIdCustomInstallLink, false);
            Show(arrowButton_.hwnd(), false);
            ShowItem(kIdFolderLabel, true);
            for (int id : optionLabels)
                ShowItem(id, true);
            ShowItem(kIdStatusText, false);
            ShowItem(kIdPercentText, false);
            Show(progress_.hwnd(), false);
            pageImage = 1;
            InvalidatePicture();
            Show(folderField_.hwnd(), true);
            for (HWND box : optionBoxes_)
                Show(box, true);
            Show(browseButton_.hwnd(), true);
            break;

        case StateInstalling:
            ShowItem(kIdFolderLabel, false);
            ShowItem(kIdStatusText, true);
            for (int id : optionLabels)
                ShowItem(id, false);
            Show(folderField_.hwnd(), false);
            Show(browseButton_.hwnd(), false);
            for (HWND box : optionBoxes_)
                Show(box, false);
            Show(licenceBox_, false);
            Show(licenceLink_.hwnd(), false);
            ShowItem(kIdCustomInstallLink, false);
            Show(arrowButton_.hwnd(), false);
            Show(installButton_.hwnd(), false);
            Show(progress_.hwnd(), true);
            ShowItem(kIdPercentText, true);
            previousImage = pageImage;  // the first banner is revealed over the page before
            pageImage = 2;
            InvalidatePicture();
            ::SetTimer(dialog_, ID_TIMER_SLIDESHOW, kSlideshowIntervalMs, nullptr);
            break;

        case StateFinished:
            ShowItem(kIdStatusText, false);
            Show(progress_.hwnd(), false);
            ShowItem(kIdPercentText, false);
            installButton_.SetButtonText(L"完成");
            Show(installButton_.hwnd(), true);
            pageImage = 4;
            InvalidatePicture();
            break;

        default:
            break;
    }
}

}  // namespace radu::ui
