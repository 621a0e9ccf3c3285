// The installer's entry point: DLLs from System32 only, one installer at a time, then COM and GDI+ for the
// main thread, the window and its loop, and the tear-down in a fixed order. The exit code is the code the
// window quits with.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "app/install_worker.h"
#include "app/loop_registry.h"
#include "app/one_installer.h"
#include "app/run_main_dialog.h"
#include "app/system_dlls.h"
#include "ui/gdiplus.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand) {
    // Before anything can load a DLL: from here on none comes from the program's own folder.
    if (!radu::UseSystemDllsOnly())
        return 0;

    // A second copy shows the first one (or says that it runs) and ends before it stops, kills, downloads or
    // reports anything.
    radu::COneInstaller guard;
    if (!guard.Take()) {
        radu::ShowRunningInstaller(radu::kFirstWindowWaitMs);
        return radu::kExitAnotherInstallerRuns;
    }

    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;  // version 1, background thread and codecs as usual
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

    radu::Module().Init();
    const int result = radu::RunMainDialog(commandLine, showCommand);
    radu::Module().Term();

    ::CoUninitialize();
    Gdiplus::GdiplusShutdown(gdiplusToken);
    // An install worker is never waited for (the close button ends the program at once, mid-download
    // too). While one may still run, the process ends here: that stops the worker before anything it
    // uses goes (the static objects' destructors that returning would run), and the guard is let go only
    // by the system, once nothing of this copy writes any more, so no second copy works on the same part
    // files meanwhile.
    if (radu::AnInstallWorkerRuns()) {
        std::fflush(nullptr);
        ::ExitProcess(static_cast<UINT>(result));
    }
    return result;  // the guard goes with its object, and the download folder when it is empty
}
