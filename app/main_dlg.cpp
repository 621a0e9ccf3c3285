// Start-up of the window, message routing, painting, and the two ways out.
#include "app/main_dlg.h"

#include <windowsx.h>

#include "app/install_messages.h"
#include "app/instances.h"
#include "app/loop_registry.h"
#include "app/product.h"
#include "ui/control_ids.h"
#include "ui/reflect.h"

namespace radu {

using Map = ui::MessageEntry<CMainDlg>;

// WM_GETDPISCALEDSIZE, sent before WM_DPICHANGED from Windows 10 version 1703 on (newer than the
// system version the headers are set to).
constexpr UINT kGetDpiScaledSize = 0x02E4;

const Map CMainDlg::kMessageEntries[] = {
    ui::OnMessage<CMainDlg>(WM_INITDIALOG, &CMainDlg::OnInitDialog),
    ui::OnMessage<CMainDlg>(WM_DESTROY, &CMainDlg::OnDestroy),
    ui::OnMessage<CMainDlg>(WM_TIMER, &CMainDlg::OnTimer),
    ui::OnMessage<CMainDlg>(WM_NCHITTEST, &CMainDlg::OnNcHitTest),
    ui::OnMessage<CMainDlg>(WM_PAINT, &CMainDlg::OnPaint),
    ui::OnMessage<CMainDlg>(WM_PRINTCLIENT, &CMainDlg::OnPaint),
    ui::OnMessage<CMainDlg>(WM_CTLCOLORSTATIC, &CMainDlg::OnCtlColorStatic),
    ui::OnMessage<CMainDlg>(WM_ERASEBKGND, &CMainDlg::OnEraseBackground),
    ui::OnMessage<CMainDlg>(WM_SIZE, &CMainDlg::OnSize),
    ui::OnMessage<CMainDlg>(kGetDpiScaledSize, &CMainDlg::OnGetDpiScaledSize),
    ui::OnMessage<CMainDlg>(WM_DPICHANGED, &CMainDlg::OnDpiChanged),

    ui::OnMessage<CMainDlg>(WM_DOWNLOAD_PROGRESS, &CMainDlg::OnDownloadProgress),
    ui::OnMessage<CMainDlg>(WM_UNPACK_BEGIN, &CMainDlg::OnUnpackBegin),
    ui::OnMessage<CMainDlg>(WM_UNPACK_PROGRESS, &CMainDlg::OnUnpackProgress),
    ui::OnMessage<CMainDlg>(WM_UNPACK_DONE, &CMainDlg::OnUnpackDone),
    ui::OnMessage<CMainDlg>(WM_DOWNLOAD_FAILED, &CMainDlg::OnDownloadFailed),
    ui::OnMessage<CMainDlg>(WM_UNPACK_FAILED, &CMainDlg::OnUnpackFailed),
    ui::OnMessage<CMainDlg>(WM_INSTALL_DONE, &CMainDlg::SendInstallReport),

    // Commands by control ID. 1005 comes only from the install button: the folder label sends none.
    ui::OnCommand<CMainDlg>(ui::kIdInstallButton, &CMainDlg::OnInstallButton),
    ui::OnCommand<CMainDlg>(ui::kIdCustomInstallLink, &CMainDlg::OnCustomInstall),
    ui::OnCommand<CMainDlg>(ui::kIdArrowButton, &CMainDlg::OnCustomInstall),
    ui::OnCommand<CMainDlg>(ui::kIdLicenceBox, &CMainDlg::OnAgreeToggled),
    ui::OnCommand<CMainDlg>(ui::kIdOptionLabelDesktop, &CMainDlg::OnOptionLabel),
    ui::OnCommand<CMainDlg>(ui::kIdOptionLabelStartMenu, &CMainDlg::OnOptionLabel),
    ui::OnCommand<CMainDlg>(ui::kIdOptionLabelAutoStart, &CMainDlg::OnOptionLabel),
    ui::OnCommand<CMainDlg>(ui::kIdBrowseButton, &CMainDlg::OnBrowse),
    ui::OnCommand<CMainDlg>(ui::kIdCloseButton, &CMainDlg::OnCloseButton),
    ui::OnNotify<CMainDlg>(WM_NOTIFY, ui::kIdLicenceLink, NM_CLICK, &CMainDlg::OnLicenceLink),
    // Nothing else: OK and Cancel (Enter, Esc, the system close) do nothing in this dialog.
};
const ui::MessageMap<CMainDlg> CMainDlg::kMessageMap = ui::MakeMessageMap(CMainDlg::kMessageEntries);

BOOL CMainDlg::PreTranslateMessage(MSG* msg) {
    return hwnd() != nullptr && ::IsDialogMessageW(hwnd(), msg);
}

BOOL CMainDlg::OnIdle() {
    // The start page shows: now the other pages' pictures are made ready. No user-interface elements
    // depend on idle updates.
    view.LoadPendingPictures();
    return FALSE;
}

bool CMainDlg::ProcessUnmapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A screen reader asks for the window's objects: the client object is the page; every other object is
    // the dialog's own.
    if (message == WM_GETOBJECT)
        return view.AnswerAccessible(wParam, lParam, result);
    return ui::ReflectNotifications(hwnd(), message, wParam, lParam, result);
}

LRESULT CMainDlg::OnInitDialog(WPARAM, LPARAM) {
    // The window's size at the DPI of its monitor, before it is centred.
    view.Attach(hwnd());

    // Centred on the work area of the monitor that holds the window (it has no owner to centre on).
    RECT window;
    ::GetWindowRect(hwnd(), &window);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoW(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        const int width = window.right - window.left;
        const int height = window.bottom - window.top;
        ::SetWindowPos(hwnd(), nullptr, work.left + (work.right - work.left - width) / 2,
                       work.top + (work.bottom - work.top - height) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Icons at the system's large and small icon sizes.
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    bigIcon.reset(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(ui::kMainIcon), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXICON),
                                                  ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
    smallIcon.reset(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(ui::kMainIcon), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON),
                                                    ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));

    // The thread's loop offers every message to the dialog first, which gives it keyboard navigation.
    if (CMessageLoop* loop = Module().GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }

    ::SetWindowTextW(hwnd(), kWindowTitle);
    installState = ui::StateWelcome;

    // Skin and controls: default folder, options ticked, licence not yet accepted.
    view.LoadSkin();
    view.CreateControls(hwnd(), kLicenceAddress);
    installFailed = false;

    // Whatever of the product runs holds its files open: its service is stopped and its processes
    // are ended before the window is shown.
    StopService(kServiceName);
    KillProcesses(kKillList, kKillListSize);

    ShowPage(installState);
    view.ResetSlideshow();
    unpacking = false;
    return TRUE;  // the system gives the focus to the first control
}

LRESULT CMainDlg::OnDestroy(WPARAM, LPARAM) {
    if (CMessageLoop* loop = Module().GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    return 0;
}

LRESULT CMainDlg::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam == ui::ID_TIMER_SLIDESHOW)
        view.OnSlideTimer();
    return 0;
}

LRESULT CMainDlg::OnGetDpiScaledSize(WPARAM wParam, LPARAM lParam) {
    *reinterpret_cast<SIZE*>(lParam) = view.WindowSizeAt(static_cast<UINT>(wParam));
    return TRUE;
}

LRESULT CMainDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    view.OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
    return 0;
}

LRESULT CMainDlg::OnNcHitTest(WPARAM, LPARAM lParam) {
    // The whole surface drags the window; controls do their own hit testing.
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT client;
    ::GetClientRect(hwnd(), &client);
    ::MapWindowPoints(hwnd(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    return ::PtInRect(&client, pt) ? HTCAPTION : HTNOWHERE;
}

LRESULT CMainDlg::OnPaint(WPARAM wParam, LPARAM) {
    view.OnPaint(wParam);
    return 0;
}

LRESULT CMainDlg::OnCtlColorStatic(WPARAM wParam, LPARAM lParam) {
    return view.OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
}

void CMainDlg::ShowPage(int state) {
    view.ShowPage(state);
}

LRESULT CMainDlg::OnCloseButton(WPARAM, LPARAM) {
    DestroyWindow();
    ::PostQuitMessage(ui::kIdCloseButton);  // exit code 1106, on every page
    return 0;
}

}  // namespace radu
