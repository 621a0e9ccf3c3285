// The install's long work, off the window's thread: one worker thread per install downloads the package
// into the installer's own download folder (download_folder.h) and unpacks it into the install folder. It
// talks to the window only by posting messages (install_messages.h); the download engine's progress reaches
// the window through CDriverDownloadCallBack, at most one message every 500 ms.
#pragma once

#include <windows.h>

#include <string>

#include "download/download.h"

namespace radu {

// Progress messages are at least this far apart; the first of a download always goes out.
inline constexpr DWORD kProgressPostIntervalMs = 500;

// True when a report at tick `now` may be posted after the last post at `lastPostTick` (0: none yet).
// Ticks wrap every 49.7 days; the difference is taken modulo 2^32.
inline bool ProgressPostDue(DWORD now, DWORD lastPostTick) {
    return lastPostTick == 0 || now - lastPostTick > kProgressPostIntervalMs;
}

// The download engine's events for one install: progress becomes WM_DOWNLOAD_PROGRESS (percent in wParam)
// posted to hwnd. The engine calls OnProgress from its segment threads one call at a time, so the tick
// needs no lock.
class CDriverDownloadCallBack : public IDownloadCallBack {
  public:
    explicit CDriverDownloadCallBack(HWND window) : hwnd(window) {}

    int OnProgress(unsigned totalSize, int percent, unsigned speed, int userData) override;
    void OnTargetPath(const wchar_t*, int) override {}
    void OnServerAddress(const wchar_t*, int) override {}

    HWND hwnd;               // null: nothing is posted
    DWORD lastPostTick = 0;  // tick of the last post; 0 = nothing posted yet
};

// Download folder + "VaruPhoneAx.zip"; empty when the folder is not there as the installer makes it.
std::wstring DownloadedPackagePath();

// Test seam: when set, called on the worker thread with the package's path after a build with a key has
// checked the package and before it is unpacked, the moment a writer would have to strike.
extern void (*afterPackageCheck)(const wchar_t* packagePath);

// What one install's worker works with, taken on the dialog's thread at the install click. The worker
// owns it and never touches the dialog object, which the close button may destroy at any moment. While a
// job lives, from before its worker starts until the worker's last step, AnInstallWorkerRuns() is true.
struct InstallJob {
    InstallJob(HWND w, std::wstring folder);
    ~InstallJob();
    InstallJob(const InstallJob&) = delete;
    InstallJob& operator=(const InstallJob&) = delete;

    HWND window;                 // where the worker's messages go
    std::wstring installFolder;  // the folder field's text at the click
};

// True while an install worker may still run (or is about to): the process must then not tear down
// anything the worker uses, nor let go of the one-installer guard, before it ends.
bool AnInstallWorkerRuns();

// Thread procedure of the install worker; its parameter is an InstallJob made with new, which the worker
// deletes. Returns 0.
DWORD WINAPI InstallWorker(void* job);

}  // namespace radu
