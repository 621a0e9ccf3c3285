// The user's choices: licence, custom page, options, folder, and the install button on every page.
#include <windows.h>

#include <memory>

#include "app/install_messages.h"
#include "app/install_worker.h"
#include "app/main_dlg.h"
#include "app/product.h"
#include "app/user_shell.h"
#include "ui/control_ids.h"
#include "ui/folder_text.h"

namespace radu {

static_assert(ui::kMaxFolderTextUnits + (sizeof(kUninstallerPath) / sizeof(wchar_t) - 1) < ui::kPathUnits,
              "the longest product path must fit the path buffers");
static_assert(ui::kMaxFolderTextUnits + (sizeof(kProgramPath) / sizeof(wchar_t) - 1) < ui::kPathUnits,
              "the product path must fit the path buffers");

LRESULT CMainDlg::OnAgreeToggled(WPARAM, LPARAM) {
    view.EnableInstall(view.LicenceAccepted());
    return 0;
}

LRESULT CMainDlg::OnCustomInstall(WPARAM, LPARAM) {
    if (!view.InstallEnabled())
        return 0;  // the licence is not accepted yet
    // The link and the arrow belong to the start page. Hidden, the arrow can still hold the focus and be
    // pressed with Enter: that must not lead back to the custom page (and a second install) later on.
    if (installState != ui::StateWelcome)
        return 0;
    installState = ui::StateCustom;
    ShowPage(ui::StateCustom);
    return 0;
}

LRESULT CMainDlg::OnOptionLabel(WPARAM wParam, LPARAM) {
    view.FlipOption(LOWORD(wParam));  // a click and a double-click each flip once
    return 0;
}

LRESULT CMainDlg::OnBrowse(WPARAM, LPARAM) {
    view.OnBrowse();
    return 0;
}

LRESULT CMainDlg::OnLicenceLink(WPARAM, LPARAM) {
    OpenAsUser(kLicenceAddress, SW_SHOWNORMAL);
    return 0;
}

LRESULT CMainDlg::OnInstallButton(WPARAM, LPARAM) {
    if (installState == ui::StateFinished) {
        Finish();
        return 0;
    }
    // One install at a time: a command that reaches the hidden button while installing (queued clicks)
    // must not start a second worker on the same files.
    if (installState == ui::StateInstalling)
        return 0;
    // The product's paths are the install folder plus their relative paths: text that names no absolute
    // folder, or one that could not take them, is refused here, and the page stays as it is. From here on
    // the folder is one text, ending in one separator, for the field, the extraction, every registered
    // path and the finish button alike.
    std::wstring folder;
    if (!ui::InstallFolderFromText(view.FullFolderText(), folder)) {
        view.ShowFolderUnusable();
        return 0;
    }
    if (!ui::FolderTextFits(folder)) {
        view.ShowFolderTooLong();
        return 0;
    }
    // From the start page this is the quick install (default folder, all three options), from the custom
    // page the install with the choices made there.
    installState = ui::StateInstalling;
    ShowPage(ui::StateInstalling);
    // The folder field's text is what this install uses; the worker gets its own copy of it and of the
    // window handle, and never the dialog object, which the close button may destroy before the worker
    // first runs. The worker downloads and unpacks, and reports back only through posted messages. Its
    // handle is not kept: it is never waited for, and the process ending cuts it off.
    view.SetInstallFolder(folder);
    auto job = std::make_unique<InstallJob>(hwnd(), view.installFolder);
    if (UniqueKernelHandle(startWorker(&InstallWorker, job.get()))) {
        job.release();  // the worker's now, deleted by it
    } else {
        // Nothing will run: the attempt ends the way a failed download does, with the offer of the
        // complete installer and the finish page, rather than an installing page that waits forever.
        ::PostMessageW(hwnd(), WM_DOWNLOAD_FAILED, 7, 0);
    }
    return 0;
}

HANDLE CMainDlg::StartWorkerThread(LPTHREAD_START_ROUTINE body, void* parameter) {
    return ::CreateThread(nullptr, 0, body, parameter, 0, nullptr);
}

void CMainDlg::Finish() {
    wchar_t product[ui::kPathUnits];
    const bool start =
        !installFailed && ui::JoinProductPath(view.installFolder, kProgramPath, product, ui::kPathUnits);
    // The window goes as the button is pressed, also while a shell that is slow to answer starts the
    // product; the user's shell starts it, as the user, and nothing here waits for it to run.
    ::ShowWindow(hwnd(), SW_HIDE);
    if (start)
        OpenAsUser(product, SW_SHOW);
    DestroyWindow();
    ::PostQuitMessage(ui::kIdInstallButton);  // exit code 1005
}

}  // namespace radu
