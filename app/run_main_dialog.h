// Creates the installer window, shows it and runs the thread's message loop until the window quits.
#pragma once

#include <windows.h>

namespace radu {

// Returns the quit code (the process's exit code), or 0 when the window could not be created.
int RunMainDialog(const wchar_t* commandLine, int showCommand);

}  // namespace radu
