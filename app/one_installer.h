// One installer at a time: two copies would stop the product twice and write the same part files in the
// temporary folder at once. The first copy holds a named guard for its whole life; a second copy finds it
// taken, brings the first one's window to the front and ends, touching nothing.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace radu {

// Exit code of a copy that found another installer running (ERROR_ALREADY_EXISTS; its low byte, which is
// all some shells keep, is 183 as well).
inline constexpr int kExitAnotherInstallerRuns = 183;

// How long a second copy waits for the first one's window to show (it is set up before it is shown, and
// the set-up waits up to ten seconds for the product's service to stop).
inline constexpr DWORD kFirstWindowWaitMs = 15000;

// The guard, machine-wide. Held from Take() until the object goes; the system frees a guard whose holder
// ended without letting go of it (a crash, a kill), and the next copy takes it as if free.
class COneInstaller {
  public:
    COneInstaller() = default;
    ~COneInstaller();
    COneInstaller(const COneInstaller&) = delete;
    COneInstaller& operator=(const COneInstaller&) = delete;

    // True when this copy holds the guard now; false when another running installer holds it. A guard
    // that cannot be made at all (no such objects here) does not keep the install from running.
    bool Take();

  private:
    UniqueKernelHandle mutex;
    bool held = false;
};

// Brings the running installer's window to the front (restored when minimised; the box it shows, if any,
// on top), waiting up to limitMs for it to show. True when a window was found.
bool ShowRunningInstaller(DWORD limitMs);

}  // namespace radu
