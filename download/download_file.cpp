// The download job: redirects, the expected digest from the final address, the target folder, then the
// transfer. Also the removal of a download with its part files.
#include <shlwapi.h>

#include "common/file_names.h"
#include "download/download.h"
#include "download/download_job.h"
#include "download/file_wrapper.h"
#include "download/http_get.h"
#include "download/proxy_lookup.h"
#include "download/segment_plan.h"

namespace radu {

namespace {

// Redirect probes made at most; a fifth redirect in a row leaves no usable address.
constexpr int kRedirectProbes = 5;

bool IsFolder(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int DownloadFile(const wchar_t* address, const wchar_t* destination, IDownloadCallBack* callback,
                 int userData, BOOL multiSegment, BOOL overwrite, BOOL extensionMode) {
    return RunDownloadJob(address, destination, nullptr, callback, userData, multiSegment, overwrite,
                          extensionMode)
        .result;
}

int DownloadNamedFile(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                      IDownloadCallBack* callback, int userData, BOOL multiSegment, BOOL overwrite) {
    return RunDownloadJob(address, destination, fileName, callback, userData, multiSegment, overwrite, FALSE)
        .result;
}

int DownloadDigestedFile(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                         IDownloadCallBack* callback, int userData, BOOL multiSegment) {
    return RunDownloadJob(address, destination, fileName, callback, userData, multiSegment, FALSE, FALSE,
                          true)
        .result;
}

DownloadOutcome RunDownloadJob(const wchar_t* address, const wchar_t* destination, const wchar_t* fileName,
                               IDownloadCallBack* callback, int userData, BOOL multiSegment, BOOL overwrite,
                               BOOL extensionMode, bool requireDigest) {
    DownloadOutcome outcome;
    if (!address || !destination)
        return outcome;
    // A name of the caller's own must name a file in a folder the caller names: an empty destination
    // would put it in whatever the current directory happens to be.
    if (fileName && (!*destination || !IsPlainFileName(fileName)))
        return outcome;
    CHttpGet http(callback, multiSegment, userData, overwrite);
    // Found once, for the address the caller named, and used for every request of this download.
    http.proxyRoutes = FindProxyFor(address).routes;

    std::wstring current = address, final;
    for (int probe = 0; probe < kRedirectProbes; ++probe) {
        std::wstring next;
        if (!http.CheckRedirect(current, next)) {
            final = current;  // a failed probe leaves its code; the size probe decides
            break;
        }
        current = next;
    }

    const std::wstring expectedDigest = DigestParameter(final);
    if (requireDigest && !IsMd5Text(expectedDigest)) {
        outcome.result = kDownloadNoDigest;
        outcome.finalAddress = final;
        return outcome;
    }

    UrlParts parts = ParseUrl(final);
    if (parts.host.empty() || parts.path.empty() || parts.fileName.empty()) {
        outcome.result = kDownloadBadAddress;
        return outcome;
    }
    // Without a name of the caller's, the server chooses it (a redirect can say anything): it must name a
    // file in the destination and nothing else, or nothing is written at all.
    if (!fileName && !IsPlainFileName(parts.fileName))
        return outcome;

    std::wstring target = destination;
    if (fileName) {
        target += fileName;
    } else if (extensionMode) {
        size_t dot = parts.fileName.rfind(L'.');
        if (dot != std::wstring::npos)
            target += L"." + parts.fileName.substr(dot + 1);
    } else {
        target += parts.fileName;
    }

    size_t lastSeparator = target.rfind(L'\\');
    if (lastSeparator != std::wstring::npos) {
        std::wstring folder = target.substr(0, lastSeparator);
        if ((folder.empty() || folder[0] == L'\\' || !IsFolder(folder)) &&
            !CreateDirectoryTree(folder.c_str(), nullptr))
            return outcome;
    }

    if (callback)
        callback->OnTargetPath(target.c_str(), userData);
    http.Run(parts.host, parts.path, parts.fileName, target, expectedDigest, parts.port);
    outcome.result = http.resultCode;
    outcome.finalAddress = final;
    outcome.target = target;
    return outcome;
}

int DeleteDownload(const wchar_t* path) {
    if (!path)
        return 0;
    ::DeleteFileW(path);
    std::wstring full = path;
    ::DeleteFileW(JoiningFileName(full).c_str());  // a join cut off by the program's end
    ::DeleteFileW(PartRecordName(full).c_str());
    size_t lastSeparator = full.rfind(L'\\');
    if (lastSeparator != std::wstring::npos) {
        std::wstring folder = full.substr(0, lastSeparator), name = full.substr(lastSeparator + 1);
        CFileWrapper files;
        // Part files are numbered from 0; the first gap ends the search.
        for (int n = 0;; ++n) {
            std::wstring part = folder + L"\\" + name + L"_" + std::to_wstring(n);
            if (!files.IsFile(part.c_str()))
                break;
            ::DeleteFileW(part.c_str());
        }
        ::DeleteFileW((folder + L"\\" + name + L"_tmp").c_str());
    }
    return 1;
}

bool CreateDirectoryTree(const wchar_t* path, SECURITY_ATTRIBUTES* security) {
    if (!path || !*path)
        return false;
    std::wstring full = path;
    if (full.size() > MAX_PATH - 1) {
        ::SetLastError(ERROR_BUFFER_OVERFLOW);
        return false;
    }
    const wchar_t* afterRoot = ::PathSkipRootW(full.c_str());
    if (!afterRoot)
        return false;

    auto create = [security](const std::wstring& level) {
        return ::CreateDirectoryW(level.c_str(), security) || ::GetLastError() == ERROR_ALREADY_EXISTS;
    };
    bool ok = true;
    for (size_t i = static_cast<size_t>(afterRoot - full.c_str()); i < full.size(); ++i) {
        if (full[i] == L'\\' && !create(full.substr(0, i)))
            ok = false;
    }
    if (!create(full))
        ok = false;
    // "Already exists" is also the answer when a file holds the name: only a folder counts.
    return ok && IsFolder(full);
}

}  // namespace radu
