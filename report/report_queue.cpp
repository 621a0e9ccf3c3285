#include <windows.h>

#include <cstdio>
#include <cstring>

#include "report/report.h"

namespace radu {

namespace {

constexpr char kQueueFile[] = "FBResult.ini";

// Temporary folder + "FBResult.ini" in 260 bytes; false when it does not fit.
bool QueuePath(char (&path)[MAX_PATH]) {
    DWORD length = ::GetTempPathA(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (length + sizeof kQueueFile > MAX_PATH)
        return false;
    std::memcpy(path + length, kQueueFile, sizeof kQueueFile);
    return true;
}

}  // namespace

bool QueueReport(const char* body) {
    char path[MAX_PATH];
    if (!QueuePath(path))
        return false;
    UINT last = ::GetPrivateProfileIntA("Number", "Key", 0, path);
    char section[16];
    // The profile functions hand back a negative number as its unsigned pattern; count on as a signed one.
    std::snprintf(section, sizeof section, "%d", static_cast<int>(last + 1u));
    bool written = ::WritePrivateProfileStringA(section, "info", body, path) != FALSE;
    written = ::WritePrivateProfileStringA(section, "UnSend", "1", path) != FALSE && written;
    written = ::WritePrivateProfileStringA("Number", "Key", section, path) != FALSE && written;
    return written;
}

}  // namespace radu
