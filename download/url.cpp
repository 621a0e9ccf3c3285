#include "download/url.h"

#include <string_view>

#include "common/plain_text.h"

namespace radu {

namespace {

// The decimal digits of a port and nothing else; anything else (a sign, blanks, letters after the
// digits, no digits at all, a value past 65535) is 0, which no connection accepts.
int PortNumber(std::wstring_view text) {
    if (text.empty())
        return 0;
    int port = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return 0;
        port = port * 10 + (c - L'0');
        if (port > 65535)
            return 0;
    }
    return port;
}

}  // namespace

UrlParts ParseUrl(const std::wstring& url) {
    std::wstring text(TrimWhitespace(url));

    const std::wstring scheme = L"http://";
    size_t at = text.find(scheme);
    if (at != std::wstring::npos)
        text.erase(0, at + scheme.size());

    UrlParts parts;
    size_t slash = text.find(L'/');
    std::wstring hostPart = slash == std::wstring::npos ? std::wstring() : text.substr(0, slash);
    size_t colon = hostPart.rfind(L':');
    if (colon != std::wstring::npos) {
        parts.host = hostPart.substr(0, colon);
        parts.port = PortNumber(std::wstring_view(hostPart).substr(colon + 1));
    } else {
        parts.host = hostPart;
    }

    // The file name is the last step of the path before the query: a "/" or "?" inside the query belongs
    // to the query.
    const std::wstring beforeQuery = text.substr(0, text.find(L'?'));
    size_t lastSlash = beforeQuery.rfind(L'/');
    parts.fileName = lastSlash == std::wstring::npos ? beforeQuery : beforeQuery.substr(lastSlash + 1);

    parts.path = slash == std::wstring::npos ? text : text.substr(slash);
    return parts;
}

std::wstring DigestParameter(const std::wstring& address) {
    const size_t md5 = address.find(L"md5=");
    if (md5 == std::wstring::npos)
        return {};
    return address.substr(md5 + 4, address.find(L'&', md5 + 4) - (md5 + 4));
}

bool IsMd5Text(const std::wstring& text) {
    if (text.size() != 32)
        return false;
    for (wchar_t c : text) {
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F')))
            return false;
    }
    return true;
}

}  // namespace radu
