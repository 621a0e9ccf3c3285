// Parts: http_exchange.cpp (requests, redirects, the size), segmented_download.cpp (segments, joining).
// One download from the first request to the verified file: the HTTP exchange on raw sockets, the segment
// threads and their part files, joining and verification. Used by DownloadFile; tests drive it directly.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "download/download.h"
#include "download/proxy_route.h"
#include "download/rate_meter.h"
#include "download/socket_wrapper.h"
#include "download/sync_mutex.h"
#include "download/url.h"

namespace radu {

class CHttpGet;

// One byte range of the resource and the part file that holds it.
struct SegmentTask {
    std::wstring host;
    int port = 0;
    std::wstring path;
    std::wstring partFile;
    uint32_t first = 0;
    uint32_t end = 0;  // one past the last byte
    BOOL ranged = FALSE;
    CHttpGet* owner = nullptr;
};

// Size of the buffer a response header is read into.
constexpr size_t kHeaderBufferSize = 10240;

// How long a response header may take from its first byte asked for to its blank line. A header is a
// few hundred bytes, sent at once: even through a proxy that first connects to the server (which takes
// a connection's time-out at worst, 10 s here and 21 s on Windows' own stack), half a minute is ample.
constexpr DWORD kHeaderLimitMs = 30000;

// A segment's connection on which the next kStallBytes take longer than kStallWindowMs to arrive is taken
// for a broken one, and the segment goes on from its part file on a new connection (within its attempts).
// Each receive's own 10 s time-out ends a connection that sends nothing at all, not one that sends a byte
// now and then; at under 1 KiB in 30 s (34 bytes a second) a 1 MiB segment would take over eight hours,
// while the slowest links still in use carry kilobytes a second.
constexpr DWORD kStallWindowMs = 30000;
constexpr uint32_t kStallBytes = 1024;

class CHttpGet {
  public:
    CHttpGet(IDownloadCallBack* callback, BOOL multiSegment, int userData, BOOL overwrite);
    virtual ~CHttpGet();
    CHttpGet(const CHttpGet&) = delete;
    CHttpGet& operator=(const CHttpGet&) = delete;

    // The HTTP exchange.
    static UrlParts ParseUrl(const std::wstring& url) { return radu::ParseUrl(url); }
    // A connection for a request to host:port: through the first of proxyRoutes that can be reached,
    // starting with the one that carried the last connection, or straight to the server without routes.
    // viaProxy tells whether the request must name the whole address. INVALID_SOCKET when none connects.
    SOCKET Connect(const std::wstring& host, int port, std::wstring* addressText = nullptr,
                   bool* viaProxy = nullptr);
    // The code for a connection that could not be made: 24 when every route was a proxy, else 18.
    int NoConnectionResult() const;
    // Sends text in one call. On failure closes the socket (it is reset) and sets result 15.
    bool SendText(UniqueSocket& socket, const std::wstring& text);
    // Reads a header byte by byte up to the blank line (at most kHeaderBufferSize - 1 bytes, within
    // kHeaderLimitMs) into buffer, zero-terminated, leaving the body on the socket. Returns the count
    // stored; 0 when nothing arrived.
    size_t ReadHeader(SOCKET socket, char* buffer);
    bool CheckRedirect(const std::wstring& url, std::wstring& newUrl);
    bool ProbeSize(const std::wstring& host, const std::wstring& path, int port);
    bool QuerySize(const std::wstring& host, const std::wstring& path, int port);
    // Ranged and whole requests on an open connection; true when the body follows. The socket is reset
    // when a failed send closed it.
    // `target` is what follows "GET " (RequestTarget): the path, or the whole address through a proxy.
    bool RequestRange(UniqueSocket& socket, const std::wstring& host, const std::wstring& target,
                      uint32_t first, uint32_t last, bool viaProxy = false);
    bool RequestWhole(UniqueSocket& socket, const std::wstring& host, const std::wstring& target,
                      bool viaProxy = false);

    // The segmented transfer, joining and verification.
    bool Run(const std::wstring& host, const std::wstring& path, const std::wstring& fileName,
             const std::wstring& targetPath, const std::wstring& expectedDigest, int port);
    bool DownloadSegments(const std::wstring& host, int port, const std::wstring& path,
                          const std::wstring& targetPath, const std::wstring& expectedDigest);
    void SegmentWorker(SegmentTask* task);
    void ReportProgress(uint32_t downloadedLow, uint32_t bytesReceived);  // progressLock held
    bool AppendSegment(const SegmentTask& task, std::FILE* target);

    void SetResult(int code);  // under resultLock

    IDownloadCallBack* callback;
    CSocketWrapper socketWrapper;
    TransferRateMeter rateMeter;
    std::unique_ptr<SegmentTask[]> segments;
    int segmentCount = 0;
    volatile LONG completedSegments = 0;
    uint64_t downloaded = 0;
    uint64_t totalSize = 0;
    CSyncMutex progressLock;
    CSyncMutex resultLock;
    BOOL multiSegment;
    int resultCode = kDownloadNoConnection;
    UniqueKernelHandle stopEvent;  // manual-reset: set once, every segment sees it
    int userData;
    BOOL rangesSupported = FALSE;
    BOOL overwrite;
    int stopReason = kProgressGoOn;  // kProgressStopAndDiscard when the callback asked for that
    ProxyRoutes proxyRoutes;         // found once per download, used by every request; empty: direct
    volatile LONG routeInUse = 0;    // index into proxyRoutes of the route that last connected
    volatile LONG proxyRefused = 0;  // a proxy answered 407, 502, 503 or 504: no request can succeed
    std::string probeTag;            // the size probe's ETag, when the answer had one
    // The size probe's answer is the same package as the part files on disk, and they were resumed.
    bool resumedParts = false;

    // Creates a segment thread, suspended. Replaceable so that tests can make creation fail.
    using ThreadCreator = HANDLE (*)(unsigned(__stdcall* body)(void*), void* argument);
    ThreadCreator createThread;

  private:
    bool SendLines(UniqueSocket& socket, const std::vector<std::wstring>& lines);
    bool Exchange(UniqueSocket& socket, const std::vector<std::wstring>& lines, char* header, bool viaProxy);
    using RequestLines = std::vector<std::wstring> (*)(const std::wstring& host, const std::wstring& target);
    bool AskSize(const std::wstring& host, int port, const std::wstring& path, RequestLines lines,
                 char* header);
    void ReleaseSegments();
    // Set when thread creation failed part-way: the threads already created then end at once.
    volatile LONG abandoned = 0;
};

}  // namespace radu
