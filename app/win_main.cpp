// The installer's entry point: COM and GDI+ for the main thread, the window and its loop, and the
// tear-down in a fixed order. The exit code is the code the window quits with.
#include <windows.h>
#include <objbase.h>

#include "app/loop_registry.h"
#include "app/run_main_dialog.h"
#include "ui/gdiplus.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;  // version 1, background thread and codecs as usual
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

    radu::Module().Init();
    const int result = radu::RunMainDialog(commandLine, showCommand);
    radu::Module().Term();

    ::CoUninitialize();
    Gdiplus::GdiplusShutdown(gdiplusToken);
    return result;
}
