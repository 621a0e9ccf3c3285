// Where the installer's DLLs come from. It runs as administrator and is usually started from a downloads
// folder, which any program of the user can write: a DLL found there must never be loaded. The import
// table names only DLLs that Windows takes from its known-DLL list (or, for the common controls, from the
// side-by-side assembly the manifest names); every other DLL is delay-loaded, from System32 only.
#pragma once

namespace radu {

// Limits the search of every later DLL load in this process to System32 and loads the delay-loaded DLLs
// from there, so that a missing one shows now rather than halfway through an install. The first thing
// the program does. False after a box has told the user why the program cannot go on: Windows lacks
// the search restriction (Windows 7 without update KB2533623) or a DLL is missing; the program then ends
// with exit code 0, as when its window cannot be made.
bool UseSystemDllsOnly();

}  // namespace radu
