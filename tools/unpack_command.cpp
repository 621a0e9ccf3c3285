// radtool unpack ZIP DEST_FOLDER: unpacks a package the way the installer does. extractPackage runs on a
// worker thread and posts to a hidden window of this tool; every posted message is printed as a line
// ("11111 i n", "11110 stage", "11112") and every error box as its text, in the order they happen, instead
// of waiting for a user. Output is UTF-8. The exit code is 0: the lines tell the outcome.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "common/text.h"
#include "common/unique_handle.h"
#include "extract/extract.h"
#include "tools/commands.h"

namespace {

// Carries an error box's text to the window's thread: wParam the text, lParam an event set once printed.
constexpr UINT kErrorBoxText = WM_APP + 1;

void PrintLine(const std::wstring& line) {
    std::string bytes = radu::Narrow(line, CP_UTF8);
    bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Hands the text to the window's thread, so that it is printed in its place among the posted messages,
// and returns once it has been printed, as a box returns once dismissed.
class PrintingErrorBox : public radu::IExtractErrorBox {
  public:
    void Show(HWND owner, const wchar_t* text) override {
        radu::UniqueKernelHandle printed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (printed && PostMessageW(owner, kErrorBoxText, reinterpret_cast<WPARAM>(text),
                                    reinterpret_cast<LPARAM>(printed.get()))) {
            WaitForSingleObject(printed.get(), INFINITE);
        }
    }
};

}  // namespace

namespace radtool {

int Unpack(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: radtool unpack ZIP DEST_FOLDER\n");
        return 2;
    }
    HWND window = CreateWindowExW(0, L"STATIC", L"radtool unpack", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    if (!window) {
        std::fwprintf(stderr, L"radtool: no window (error %lu)\n", GetLastError());
        return 1;
    }
    PrintingErrorBox errorBox;
    std::wstring archive = argv[0], destination = argv[1];
    std::thread worker(
        [&] { radu::extractPackage(archive.c_str(), destination.c_str(), window, &errorBox); });

    MSG msg;
    bool done = false;
    while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd != window) {
            DispatchMessageW(&msg);
            continue;
        }
        switch (msg.message) {
            case radu::WM_UNPACK_PROGRESS:
                PrintLine(L"11111 " + std::to_wstring(msg.wParam) + L" " + std::to_wstring(msg.lParam));
                break;
            case radu::WM_UNPACK_FAILED:
                PrintLine(L"11110 " + std::to_wstring(msg.wParam));
                break;
            case radu::WM_UNPACK_DONE:
                PrintLine(L"11112");
                done = true;
                break;
            case kErrorBoxText:
                PrintLine(reinterpret_cast<const wchar_t*>(msg.wParam));
                std::fflush(stdout);
                SetEvent(reinterpret_cast<HANDLE>(msg.lParam));
                break;
            default:
                DispatchMessageW(&msg);
        }
        // Lines go out whenever the queue runs dry: at once when entries are slow, in batches when fast.
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
            std::fflush(stdout);
    }
    std::fflush(stdout);
    worker.join();
    DestroyWindow(window);
    return 0;
}

}  // namespace radtool
