// One installer at a time: two copies would stop the product twice and write the same part files at
// once. The first copy holds a guard for its whole life: a file in the installer's own download folder
// (download_folder.h), open without sharing and deleted by the system when its handle closes, also when
// the copy crashes or is killed. An unelevated program can neither create nor open a file there, so it
// cannot hold the guard or pass for a running installer, as it could with a named object in the global
// namespace, which any program may create first, hold, or make with a DACL that denies everyone. A second
// copy finds the file held, brings the first one's window to the front and ends, touching nothing.
#pragma once

#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace radu {

// Exit code of a copy that found another installer running (ERROR_ALREADY_EXISTS; its low byte, which is
// all some shells keep, is 183 as well).
inline constexpr int kExitAnotherInstallerRuns = 183;

// How long a second copy waits for the first one's window to show (it is set up before it is shown, and
// the set-up waits up to ten seconds for the product's service to stop).
inline constexpr DWORD kFirstWindowWaitMs = 15000;

// The guard file's name in the download folder.
inline constexpr wchar_t kGuardFileName[] = L"RadurodiSetup.lock";

// What a second copy says when the running installer shows no window it can find (it runs in another
// session, say), with the caption "提示".
inline constexpr wchar_t kAnotherInstallerRunsText[] = L"Radurodi安装程序已在运行，请等它结束后再试。";

class COneInstaller {
  public:
    COneInstaller() = default;
    // Lets go of the guard, and removes the download folder when nothing else is left in it.
    ~COneInstaller();
    COneInstaller(const COneInstaller&) = delete;
    COneInstaller& operator=(const COneInstaller&) = delete;

    // True when this copy holds the guard now; false when another running installer holds it. When no
    // download folder can be had, there is no guard and nothing to download into: true, and the install
    // ends at its download with the fallback box.
    bool Take();

  private:
    UniqueFileHandle guard;
    std::wstring folder;  // where the guard is, while it is held
};

// Brings the running installer's window to the front (restored when minimised; the box it shows, if any,
// on top), waiting up to limitMs for it to show. When no window shows, says in a box that another
// installer runs.
void ShowRunningInstaller(DWORD limitMs);

}  // namespace radu
