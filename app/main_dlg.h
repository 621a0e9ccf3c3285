// Parts: main_dlg.cpp (messages, pages, closing), main_dlg_choices.cpp (the install button and the
// options), main_dlg_progress.cpp (download and unpack progress, the end of the install).
// CMainDlg: the installer's only window and the controller of the install. It owns the install state,
// switches the pages, reacts to the messages the install's worker side posts back, and ends the program
// with the close button (exit code 1106) or the finish button (1005).
#pragma once

#include <string>

#include "app/message_loop.h"
#include "common/unique_handle.h"
#include "ui/dialog_impl.h"
#include "ui/install_state.h"
#include "ui/main_view.h"

namespace radu {

class CMainDlg : public ui::CDialogImpl<CMainDlg>, public CMessageFilter, public CIdleHandler {
  public:
    static constexpr int IDD = 129;
    static const ui::MessageEntry<CMainDlg> kMessageEntries[];
    static const ui::MessageMap<CMainDlg> kMessageMap;

    CMainDlg() = default;
    // A window still open when the object goes (the loop ended by another quit message) is destroyed
    // while the object is whole, so that OnDestroy takes it out of the message loop.
    ~CMainDlg() override { DestroyWindow(); }

    HWND Create(HWND parent) { return CDialogImpl<CMainDlg>::Create(parent, IDD); }

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override;
    // Whatever the map leaves: a screen reader's question for the page, and notifications, which go back
    // to the control that sent them. Messages answered here only in part go on to the default processing.
    bool ProcessUnmapped(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Shows the page of an install state (0..3); other values change nothing.
    void ShowPage(int state);

    // Starts the install worker thread (default stack and security, running at once) and returns its
    // handle, or null when no thread could be made (the parameter is then still the caller's).
    // Replaceable so that tests can make the start fail or run the worker themselves.
    using WorkerStarter = HANDLE (*)(LPTHREAD_START_ROUTINE body, void* parameter);
    static HANDLE StartWorkerThread(LPTHREAD_START_ROUTINE body, void* parameter);
    WorkerStarter startWorker = &StartWorkerThread;

  private:
    LRESULT OnInitDialog(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnNcHitTest(WPARAM, LPARAM);
    // The window moves to a monitor of another DPI: first its size there is asked, then it is drawn
    // again at the new scale.
    LRESULT OnGetDpiScaledSize(WPARAM, LPARAM);
    LRESULT OnDpiChanged(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnCtlColorStatic(WPARAM, LPARAM);
    LRESULT OnEraseBackground(WPARAM, LPARAM) { return 1; }
    LRESULT OnSize(WPARAM, LPARAM) { return 0; }

    // Choices and commands.
    LRESULT OnInstallButton(WPARAM, LPARAM);
    LRESULT OnCustomInstall(WPARAM, LPARAM);
    LRESULT OnAgreeToggled(WPARAM, LPARAM);
    LRESULT OnOptionLabel(WPARAM, LPARAM);
    LRESULT OnBrowse(WPARAM, LPARAM);
    LRESULT OnCloseButton(WPARAM, LPARAM);
    LRESULT OnLicenceLink(WPARAM, LPARAM);
    void Finish();

    // Messages of the install.
    LRESULT OnDownloadProgress(WPARAM, LPARAM);
    LRESULT OnUnpackBegin(WPARAM, LPARAM);
    LRESULT OnUnpackProgress(WPARAM, LPARAM);
    LRESULT OnUnpackDone(WPARAM, LPARAM);
    LRESULT OnDownloadFailed(WPARAM, LPARAM);
    LRESULT OnUnpackFailed(WPARAM, LPARAM);
    // The end of every attempt (WM_INSTALL_DONE): the downloaded package goes, the report is sent or
    // queued, and the finish page shows.
    LRESULT SendInstallReport(WPARAM, LPARAM);

    ui::CMainView view;
    int installState = ui::StateWelcome;
    bool installFailed = false;
    bool unpacking = false;
    UniqueIcon bigIcon;
    UniqueIcon smallIcon;
};

}  // namespace radu
