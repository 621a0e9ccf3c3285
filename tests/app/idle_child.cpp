// A program that does nothing until it is ended; the tests start copies of it under the names of the
// product's processes. Left alone, it ends by itself after a minute with exit code 3.
#include <windows.h>

int main() {
    Sleep(60000);
    return 3;
}
