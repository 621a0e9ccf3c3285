// The HTTP/1.1 client side of CHttpGet: one request per connection, headers read byte by byte so that the
// body stays on the socket for the caller.
#include <process.h>

#include <cstring>
#include <optional>
#include <string_view>

#include "common/text.h"
#include "download/http_get.h"
#include "download/http_header.h"
#include "download/request_text.h"

namespace radu {

namespace {

HANDLE CreateSuspendedThread(unsigned(__stdcall* body)(void*), void* argument) {
    return reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, body, argument, CREATE_SUSPENDED, nullptr));
}

bool IsRefused(const char* header) {
    const int status = StatusCode(header);
    return status == 404 || status == 403;
}

}  // namespace

CHttpGet::CHttpGet(IDownloadCallBack* receiver, BOOL segmented, int data, BOOL replace)
    : callback(receiver),
      multiSegment(segmented),
      userData(data),
      overwrite(replace),
      createThread(CreateSuspendedThread) {}

CHttpGet::~CHttpGet() = default;

void CHttpGet::SetResult(int code) {
    CSyncMutex::Scope lock(resultLock);
    resultCode = code;
}

SOCKET CHttpGet::Connect(const std::wstring& host, int port, std::wstring* addressText, bool* viaProxy) {
    std::wstring unused;
    std::wstring& address = addressText ? *addressText : unused;
    if (viaProxy)
        *viaProxy = false;
    if (proxyRoutes.empty())
        return socketWrapper.Connect(host, port, address);
    // The route that worked last goes first, so that an unreachable proxy early in the list costs one
    // failed connection per download rather than one per request.
    const size_t count = proxyRoutes.size();
    const size_t first = static_cast<size_t>(routeInUse) % count;
    for (size_t i = 0; i < count; ++i) {
        const size_t index = (first + i) % count;
        const ProxyRoute& route = proxyRoutes[index];
        SOCKET s = route.direct() ? socketWrapper.Connect(host, port, address)
                                  : socketWrapper.Connect(route.host, route.port, address);
        if (s != INVALID_SOCKET) {
            ::InterlockedExchange(&routeInUse, static_cast<LONG>(index));
            if (viaProxy)
                *viaProxy = !route.direct();
            return s;
        }
    }
    return INVALID_SOCKET;
}

int CHttpGet::NoConnectionResult() const {
    for (const ProxyRoute& route : proxyRoutes) {
        if (route.direct())
            return kDownloadNoConnection;
    }
    return proxyRoutes.empty() ? kDownloadNoConnection : kDownloadProxyUnreachable;
}

bool CHttpGet::SendText(UniqueSocket& socket, const std::wstring& text) {
    std::string bytes = Narrow(text);
    // Only an error counts as failure; a short count is taken as sent.
    if (::send(socket.get(), bytes.data(), static_cast<int>(bytes.size()), 0) != SOCKET_ERROR)
        return true;
    socket.reset();
    SetResult(kDownloadSendFailed);
    return false;
}

bool CHttpGet::SendLines(UniqueSocket& socket, const std::vector<std::wstring>& lines) {
    for (const std::wstring& line : lines) {
        if (!SendText(socket, line))
            return false;
    }
    return true;
}

size_t CHttpGet::ReadHeader(SOCKET socket, char* buffer) {
    size_t count = 0;
    const DWORD start = ::GetTickCount();
    while (count < kHeaderBufferSize - 1) {
        if (::recv(socket, buffer + count, 1, 0) != 1)
            break;  // error, time-out or closed
        ++count;
        // Each receive has its own time-out; a server that sends a byte every few seconds would pass
        // every one of them. A header that has not ended within the bound is taken as no header.
        if (::GetTickCount() - start >= kHeaderLimitMs)
            break;
        if (count >= 4 && std::memcmp(buffer + count - 4, "\r\n\r\n", 4) == 0)
            break;
    }
    buffer[count] = '\0';
    return count;
}

bool CHttpGet::CheckRedirect(const std::wstring& url, std::wstring& newUrl) {
    UrlParts parts = ParseUrl(url);
    bool viaProxy = false;
    UniqueSocket socket(Connect(parts.host, parts.port, nullptr, &viaProxy));
    if (!socket) {
        SetResult(NoConnectionResult());
        return false;
    }
    char header[kHeaderBufferSize];
    const std::wstring target = RequestTarget(viaProxy, parts.host, parts.port, parts.path);
    if (!Exchange(socket, {RedirectProbeText(parts.host, target)}, header, viaProxy))  // one text, one send
        return false;
    if (IsRefused(header)) {
        SetResult(kDownloadHttpRefused);
        return false;
    }
    const int status = StatusCode(header);
    if (status == 301 || status == 302) {
        std::optional<std::string> location = ParseLocation(header);
        if (!location) {
            SetResult(kDownloadBadRedirect);
            return false;
        }
        newUrl = Widen(*location);
        return true;
    }
    return false;  // the address is final; the body is never read
}

// Sends the lines on an open connection and reads the answer's header. A failed send has set 15 and
// closed the socket. No header, or one whose blank line never came (cut by the size limit, whose rest
// would pass for the body, or by a closed connection), sets 14. Through a proxy, an answer that the proxy
// wants credentials (407, which this client does not offer) or could not reach the server (502, 503,
// 504) ends the whole download with a code of its own: no later request can fare better.
bool CHttpGet::Exchange(UniqueSocket& socket, const std::vector<std::wstring>& lines, char* header,
                        bool viaProxy) {
    if (!SendLines(socket, lines))
        return false;
    const size_t length = ReadHeader(socket.get(), header);
    if (length == 0 || !HeaderComplete(std::string_view(header, length))) {
        SetResult(kDownloadNoHeader);
        return false;
    }
    if (viaProxy) {
        const int status = StatusCode(header);
        const int refusal = status == 407                                     ? kDownloadProxyAuthentication
                            : status == 502 || status == 503 || status == 504 ? kDownloadProxyGateway
                                                                              : 0;
        if (refusal != 0) {
            SetResult(refusal);
            ::InterlockedExchange(&proxyRefused, 1);
            return false;
        }
    }
    return true;
}

// One size question on a connection of its own: the answer's header.
bool CHttpGet::AskSize(const std::wstring& host, int port, const std::wstring& path, RequestLines lines,
                       char* header) {
    bool viaProxy = false;
    UniqueSocket socket(Connect(host, port, nullptr, &viaProxy));
    if (!socket) {
        SetResult(NoConnectionResult());
        return false;
    }
    if (!Exchange(socket, lines(host, RequestTarget(viaProxy, host, port, path)), header, viaProxy))
        return false;
    if (IsRefused(header)) {
        SetResult(kDownloadHttpRefused);
        return false;
    }
    return true;
}

bool CHttpGet::ProbeSize(const std::wstring& host, const std::wstring& path, int port) {
    char header[kHeaderBufferSize];
    if (!AskSize(host, port, path, SizeProbeLines, header))
        return false;
    probeTag = HeaderField(header, "ETag").value_or("");
    if (StatusCode(header) == 206) {
        // A part of the resource: only the total of its Content-Range tells the size (the length is that
        // of the part). Without one, the size is learnt as from a server without ranges.
        std::optional<ContentRange> range = ParseContentRange(header);
        if (!range || range->total == 0)
            return QuerySize(host, path, port);
        rangesSupported = TRUE;
        totalSize = range->total;
        return true;
    }
    const uint32_t size = ParseContentSize(header);
    if (size == 0)
        return QuerySize(host, path, port);
    totalSize = size;
    return true;
}

bool CHttpGet::QuerySize(const std::wstring& host, const std::wstring& path, int port) {
    char header[kHeaderBufferSize];
    if (!AskSize(host, port, path, SizeRequestLines, header))
        return false;
    const uint32_t size = ParseContentSize(header);
    if (size == 0)
        return false;  // without a size the result code stays as it was
    totalSize = size;
    return true;
}

// A segment's body is stored as package data, so only an answer that promises the asked-for bytes is
// accepted: 206 with a Content-Range that starts where the request did (and, when it tells a total, of
// the resource's size) for a range, 200 for the whole resource. Anything else (an error page, the start
// of the resource for every range) is refused.
bool CHttpGet::RequestRange(UniqueSocket& socket, const std::wstring& host, const std::wstring& target,
                            uint32_t first, uint32_t last, bool viaProxy) {
    char header[kHeaderBufferSize];
    if (!Exchange(socket, RangeRequestLines(host, target, first, last), header, viaProxy))
        return false;
    std::optional<ContentRange> range = ParseContentRange(header);
    if (StatusCode(header) != 206 || !range || range->first != first ||
        (range->total != 0 && range->total != totalSize)) {
        SetResult(kDownloadHttpRefused);
        return false;
    }
    return true;
}

bool CHttpGet::RequestWhole(UniqueSocket& socket, const std::wstring& host, const std::wstring& target,
                            bool viaProxy) {
    char header[kHeaderBufferSize];
    if (!Exchange(socket, WholeRequestLines(host, target), header, viaProxy))
        return false;
    if (StatusCode(header) != 200) {
        SetResult(kDownloadHttpRefused);
        return false;
    }
    return true;
}

}  // namespace radu
