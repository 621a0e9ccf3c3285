#include "app/run_main_dialog.h"

#include "app/loop_registry.h"
#include "app/main_dlg.h"
#include "app/message_loop.h"

namespace radu {

int RunMainDialog(const wchar_t* /*commandLine: not read*/, int showCommand) {
    CMessageLoop loop;
    Module().AddMessageLoop(&loop);

    int result = 0;
    {
        CMainDlg dialog;
        // Dialog creation runs the whole set-up, the first page included, before the window shows.
        if (dialog.Create(nullptr) != nullptr) {
            ::ShowWindow(dialog.hwnd(), showCommand);
            result = loop.Run();
        }
        Module().RemoveMessageLoop();
    }  // the dialog object goes here, after the loop
    return result;
}

}  // namespace radu
