// The download job with what it learnt on the way, for the signed download that builds on it.
#pragma once

#include <windows.h>

#include <string>

#include "download/download.h"

namespace radu {

struct DownloadOutcome {
    int result = kDownloadBadDestination;
    std::wstring finalAddress;  // after the redirects; set once the transfer was tried
    std::wstring target;        // the file's path; likewise
};

// DownloadFile (fileName null) or DownloadNamedFile, keeping the final address and the target's path;
// with requireDigest, DownloadDigestedFile.
DownloadOutcome RunDownloadJob(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                               IDownloadCallBack* callback, int userData, BOOL multiSegment, BOOL overwrite,
                               BOOL extensionMode, bool requireDigest = false);

}  // namespace radu
