// Linked into the installer that the install tests build with a maker's key: when RADU_STALL_REGISTERING is
// set, registration stops for good once the program's entries are written, so that a test can kill the
// installer in the middle of registering wherever the machine's load puts the test's own look.
#include <windows.h>

#include "app/registration.h"

namespace {

void StallIfAsked() {
    if (GetEnvironmentVariableW(L"RADU_STALL_REGISTERING", nullptr, 0) > 0)
        Sleep(INFINITE);
}

const bool kHooked = (radu::betweenRegistrations = StallIfAsked, true);

}  // namespace
