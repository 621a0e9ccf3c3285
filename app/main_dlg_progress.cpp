// The messages of a running install: progress on the bar and in the texts, failures, the end.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "app/install_messages.h"
#include "app/main_dlg.h"
#include "app/product.h"

namespace radu {

LRESULT CMainDlg::OnDownloadProgress(WPARAM wParam, LPARAM) {
    if (unpacking)
        return 0;  // late download reports after unpacking began
    const int percent = static_cast<int>(wParam);
    view.SetProgress(percent);
    wchar_t text[32];
    std::swprintf(text, 32, L"%d%s", percent, L"%");
    view.SetPercentText(L"");
    view.SetPercentText(text);
    return 0;
}

LRESULT CMainDlg::OnUnpackBegin(WPARAM, LPARAM) {
    unpacking = true;
    view.SetPercentText(L"");
    view.SetStatusText(L"正在解压资源:");
    return 0;  // the bar keeps its place until the first entry
}

LRESULT CMainDlg::OnUnpackProgress(WPARAM wParam, LPARAM lParam) {
    const unsigned index = static_cast<unsigned>(wParam);
    const unsigned count = static_cast<unsigned>(lParam);
    if (count == 0)
        return 0;  // no entries, no progress (and no division by zero)
    view.SetPercentText(L"");
    view.SetProgress(static_cast<int>(index * 100u / count));
    const float percent = static_cast<float>(static_cast<double>(index) * 100.0 / static_cast<double>(count));
    wchar_t text[64];
    std::swprintf(text, 64, L"%.2f%s", static_cast<double>(percent), L"%");
    view.SetPercentText(text);
    return 0;
}

LRESULT CMainDlg::OnUnpackDone(WPARAM, LPARAM) {
    // The product is registered here, from the folder field's text and the three option boxes: the
    // program (desktop icon, start-menu entry, start with the system as chosen) and its uninstaller
    // (start-menu entry). Registration comes with the installer core's registration work.
    view.SetProgress(100);
    view.StopSlideshow();
    ::PostMessageW(hwnd(), WM_INSTALL_DONE, 0, 0);
    return 0;
}

LRESULT CMainDlg::OnDownloadFailed(WPARAM, LPARAM) {
    const int answer = ::MessageBoxW(
        hwnd(), L"网络异常,安装失败.您可以直接下载完整的安装包进行安装，点击确定开始下载完整安装包!", L"提示",
        MB_OKCANCEL);
    if (answer == IDOK)
        ::ShellExecuteW(nullptr, L"open", kFullInstallerAddress, nullptr, nullptr, SW_SHOWNORMAL);
    installFailed = true;
    view.StopSlideshow();
    ::PostMessageW(hwnd(), WM_INSTALL_DONE, 0, 0);
    return 0;
}

LRESULT CMainDlg::OnUnpackFailed(WPARAM, LPARAM) {
    ::MessageBoxW(hwnd(), L"权限不够，请使用管理员身份运行程序", L"提示", MB_OK);
    installFailed = true;
    view.StopSlideshow();
    ::PostMessageW(hwnd(), WM_INSTALL_DONE, 0, 0);
    return 0;
}

LRESULT CMainDlg::OnInstallDone(WPARAM, LPARAM) {
    installState = ui::StateFinished;
    // The attempt is closed here: the package and its part files are deleted from the temporary folder
    // and the install report (type 100) is posted or queued. That comes with the reporting work.
    ShowPage(installState);
    return 0;
}

}  // namespace radu
