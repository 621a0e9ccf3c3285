// The messages of a running install: progress on the bar and in the texts, failures, the end.
#include <windows.h>

#include <cwchar>

#include "app/install_messages.h"
#include "app/install_worker.h"
#include "app/main_dlg.h"
#include "app/product.h"
#include "app/registration.h"
#include "app/user_shell.h"
#include "download/download.h"
#include "report/report.h"
#include "ui/control_ids.h"

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
    // Also after a failed unpack: whatever arrived is registered. The program gets the desktop icon, the
    // start-menu entry and the start with the system as the boxes say; its uninstaller gets the
    // start-menu entry, the entry in the list of installed programs and the version key.
    RegisterInstalledProduct(view.installFolder.c_str(), view.OptionChecked(ui::kIdOptionDesktop),
                             view.OptionChecked(ui::kIdOptionStartMenu),
                             view.OptionChecked(ui::kIdOptionAutoStart));
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
        OpenAsUser(kFullInstallerAddress, SW_SHOWNORMAL);  // in the user's browser, as the user
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

LRESULT CMainDlg::SendInstallReport(WPARAM, LPARAM) {
    installState = ui::StateFinished;
    // An attempt that comes to its end leaves nothing of its download behind, neither the package nor its
    // part files (only a program closed while downloading keeps its part files for the next run); the
    // download folder itself goes when the program ends.
    const std::wstring package = DownloadedPackagePath();
    if (!package.empty())
        DeleteDownload(package.c_str());
    // Posted to the statistics server, or queued in the temporary folder when it cannot be reached. The
    // window does not answer while this runs.
    SendReport(kReportType);
    ShowPage(installState);
    return 0;
}

}  // namespace radu
