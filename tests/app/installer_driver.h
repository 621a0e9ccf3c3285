// Drives RadurodiSetup.exe from outside, as a user would: starts it, finds its window by title, clicks
// and types through window messages, reads what is shown (texts, states, screen pixels) and the full
// 32-bit exit code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/pixels.h"

namespace radu::test {

// How long a test waits for something the installer is to do (a window, a box, a repaint, an exit) before it
// counts as not done. Far beyond what any step takes anywhere: a slow machine (the emulated road under load)
// makes a test slower, never red. A whole install attempt, download and unpacking included, may take longer.
inline constexpr DWORD kPatienceMs = 60000;
inline constexpr DWORD kInstallPatienceMs = 300000;

// The installer's window title.
extern const wchar_t kInstallerTitle[];

// The loopback port of the package server the installer was built for.
int PackageServerPort();

// A Windows path from the Unix path of a file in the build tree (drive Z: is the Unix root).
std::wstring WindowsPath(const char* unixPath);

// Pixels of a screen area, 0x00RRGGBB, row by row.
using ScreenPixels = Pixels;

bool IsOrange(DWORD rgb);
bool IsLightBlue(DWORD rgb);
bool IsWhite(DWORD rgb);

class Installer {
  public:
    // Starts the installer (`program`, a Unix path in the build tree or a Windows path, or RadurodiSetup.exe
    // when null) with `arguments` and the show command `show`, and waits until its window is visible (or
    // iconic), at most kPatienceMs; Dialog() is null when it showed a box instead, ended, or showed nothing
    // in that time.
    explicit Installer(const std::wstring& arguments = L"", WORD show = SW_SHOWNORMAL,
                       const char* program = nullptr);
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    bool running() const;
    HWND Dialog() const { return dialog; }
    DWORD threadId() const { return dialogThreadId; }
    HANDLE process() const { return processInfo.hProcess; }

    // The first child with this ID (for 1005, the folder label).
    HWND Item(int id) const { return ::GetDlgItem(dialog, id); }
    // The skinned install button, which shares ID 1005 with the folder label.
    HWND InstallButton() const;

    // Posts a message and waits until the installer has handled it and everything posted before.
    void PostAndSettle(HWND target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void Click(HWND control) { PostAndSettle(control, BM_CLICK); }
    // A mouse click (down and up) at a point of a control's client area.
    void MouseClick(HWND control, int x = 2, int y = 2);
    void MouseDoubleClick(HWND control, int x = 2, int y = 2);
    void Settle();
    // Has the installer paint, before this returns, every part of its window and its controls that waits
    // to be painted (RedrawWindow with RDW_UPDATENOW sends WM_PAINT to the window's thread and waits).
    // After Settle, what the screen shows is then what the handled messages made of the window.
    void PaintNow() const;

    // Waits for the process to end; its exit code, or STILL_ACTIVE after the time-out.
    DWORD WaitForExit(DWORD milliseconds = kPatienceMs);
    // Ends the process at once, as a crash or a power cut would (nothing of it runs any more), and
    // waits until it is gone.
    void Kill();

    // A visible top-level dialog of the installer other than its main window (a message box, the folder
    // dialog), on any of its threads; null when none shows up within the time.
    HWND WaitForOwnedDialog(DWORD milliseconds = kPatienceMs) const;

    // The client area as it is on the screen once everything waiting to be painted is painted (PaintNow),
    // and once `ready` holds for it (or after the time-out).
    ScreenPixels CaptureClient(const std::function<bool(const ScreenPixels&)>& ready = nullptr,
                               DWORD milliseconds = kPatienceMs) const;
    // Has everything painted (PaintNow), then waits until two looks 100 ms apart show the same pixels (the
    // display has caught up), at most `milliseconds`: a window with a running slideshow never holds still,
    // so what a test asserts must not rest on this alone.
    void WaitForStillWindow(DWORD milliseconds = 3000) const;
    // The whole window as a PNG file.
    bool SaveScreenshot(const std::wstring& path) const;

    // Writes `text` (with its terminator), or `bytes` bytes at `data`, into the installer's memory;
    // freed with the installer.
    void* RemoteText(const std::wstring& text);
    void* RemoteData(const void* data, size_t bytes);
    // Reads `bytes` bytes at `remote` in the installer's memory back into `out`.
    bool ReadRemote(const void* remote, void* out, size_t bytes) const;

  private:
    PROCESS_INFORMATION processInfo = {};
    HWND dialog = nullptr;
    DWORD dialogThreadId = 0;
    HWND toolTip = nullptr;
    int settleCount = 0;
    std::vector<void*> remoteBlocks;
};

// While it lives, Wine loads the named DLLs ("gdiplus") into every RadurodiSetup.exe that starts as `how`
// says: "native,builtin" takes a DLL file of that name that the search finds before Wine's built-in one
// (what Windows does for every name off its known-DLL list), "" loads none at all. (Wine reads the
// WINEDLLOVERRIDES variable only from the environment it was started with, so a program it runs cannot
// pass that on: the rule goes into the registry, for programs of that name.)
class WineDllOverride {
  public:
    WineDllOverride(const std::vector<std::wstring>& names, const wchar_t* how);
    ~WineDllOverride();
    WineDllOverride(const WineDllOverride&) = delete;
    WineDllOverride& operator=(const WineDllOverride&) = delete;
};

// Runs a copy of the installer that is expected to end by itself without showing a window: its exit
// code, or STILL_ACTIVE when it still runs after the time (it is then ended).
DWORD RunInstallerToEnd(DWORD milliseconds);

// The skinned install button among the installer window's children (it shares ID 1005 with the folder
// label, which a look-up by ID finds first).
HWND FindInstallButton(HWND dialog);
// A visible top-level dialog of the process other than `main` (a message box, the folder dialog), or null.
HWND FindOtherDialog(DWORD processId, HWND main);

// The temporary folder (ends with "\").
std::wstring Temp();
// The installer's own download folder (ends with "\"), and that folder made as the installer makes it,
// as an earlier run leaves it.
std::wstring DownloadFolder();
bool MakeDownloadFolder();
// Every file an install attempt may leave there: the package, its part files and its joining file.
std::vector<std::wstring> DownloadLeftovers();

// Polls `condition` every few milliseconds until it holds or `milliseconds` have passed.
bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds);

// What the product's stand-in (varu_marker) wrote into "started.txt" beside itself when it was started:
// its own path, its command line and the process that started it; all empty when it was not started.
struct StartRecord {
    std::wstring path;
    std::wstring commandLine;
    DWORD parentId = 0;
    std::wstring parentName;  // the parent's program file name, as a tool-help snapshot lists it
};
StartRecord ReadStartRecord(const std::wstring& folder);

// While it lives, the shell hands http addresses to a copy of the marker program in a folder of its own
// (the prefix's own handler comes back afterwards), so a test sees which address went to the browser.
class RecordingBrowser {
  public:
    RecordingBrowser();
    ~RecordingBrowser();
    RecordingBrowser(const RecordingBrowser&) = delete;
    RecordingBrowser& operator=(const RecordingBrowser&) = delete;

    bool Started() const;
    StartRecord Record() const { return ReadStartRecord(folder); }
    void Forget() const;  // as if it had never been started

  private:
    std::wstring folder;
    bool hadHandler = false;
    std::wstring oldHandler;
};

std::wstring TextOf(HWND hwnd);
int TextLength(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
bool SameText(const std::wstring& a, const std::wstring& b);  // ignoring case
bool Checked(HWND box);

}  // namespace radu::test
