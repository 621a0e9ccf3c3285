#include <windows.h>

#include <cstdio>
#include <string>

#include "report/queue_file_hold.h"
#include "report/report.h"

namespace radu {

namespace {

constexpr char kQueueFile[] = "FBResult.ini";

}  // namespace

std::string QueueFilePath(const char* tempFolder) {
    if (tempFolder == nullptr)
        return {};
    std::string path = std::string(tempFolder) + kQueueFile;
    if (path.size() >= MAX_PATH)
        return {};  // a cut name would be another file
    return path;
}

bool QueueReport(const char* body) {
    if (body == nullptr)
        return false;  // a null value would delete the key instead
    char temp[MAX_PATH];
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const std::string queue = QueueFilePath(temp);
    if (queue.empty())
        return false;
    const char* path = queue.c_str();
    // The profile functions write by name: they are let at the file only while it is held as a plain file
    // at exactly this path. Otherwise the report is lost, as when the queue cannot be written.
    const QueueFileHold hold = HoldQueueFile(temp, queue);
    if (!hold.file)
        return false;

    const UINT last = ::GetPrivateProfileIntA("Number", "Key", 0, path);
    char section[16];
    // The profile functions hand back a negative number as its unsigned pattern; count on as a signed one.
    std::snprintf(section, sizeof section, "%d", static_cast<int>(last + 1u));
    bool written = ::WritePrivateProfileStringA(section, "info", body, path) != FALSE;
    written = ::WritePrivateProfileStringA(section, "UnSend", "1", path) != FALSE && written;
    written = ::WritePrivateProfileStringA("Number", "Key", section, path) != FALSE && written;
    return written;
}

}  // namespace radu
