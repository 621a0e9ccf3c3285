#include <windows.h>
#include <wininet.h>

#include "common/unique_handle.h"
#include "report/report.h"

namespace radu {

namespace {

constexpr char kAgent[] = "MyAgent";
constexpr char kObject[] = "fbInfo/saveInfo";
constexpr char kContentType[] = "Content-Type: application/x-www-form-urlencoded";

}  // namespace

bool PostReport(const char* body, const char* host) {
    NarrowText utf8 = AnsiToUtf8(body);
    if (utf8.error != nullptr)
        return false;

    UniqueInternetHandle session(::InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return false;
    UniqueInternetHandle connection(::InternetConnectA(session.get(), host, INTERNET_DEFAULT_HTTP_PORT,
                                                       nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 1));
    if (!connection)
        return false;
    // The one accept entry is a whole header line; the server sees it as the value of an Accept header.
    const char* acceptTypes[] = {"Accept: */*", nullptr};
    UniqueInternetHandle request(
        ::HttpOpenRequestA(connection.get(), "POST", kObject, nullptr, nullptr, acceptTypes, 0, 1));
    if (!request)
        return false;
    BOOL sent = ::HttpSendRequestA(request.get(), kContentType, sizeof kContentType - 1, utf8.text.data(),
                                   static_cast<DWORD>(utf8.text.size()));
    return sent != FALSE;
}

}  // namespace radu
