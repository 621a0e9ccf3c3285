// Holds the test prefix's desktop open while the test environment is up. Wine starts the desktop's
// process when the first program needs it and ends it a second after the last one has gone; a desktop
// started by a test would keep that test's output open (ctest then waits for it until its time-out), and
// one that comes and goes between tests is one more thing to go wrong. Started by `test-env up`, ended
// with the Wine server by `test-env down`.
#include <windows.h>

int main() {
    ::GetDesktopWindow();  // joins the desktop (and has its process started with this program's output)
    ::Sleep(INFINITE);
    return 0;
}
