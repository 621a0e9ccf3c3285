#include "download/url.h"

#include <cwctype>
#include <stdlib.h>

namespace radu {

UrlParts ParseUrl(const std::wstring& url) {
    size_t begin = 0, end = url.size();
    while (begin < end && std::iswspace(url[begin]))
        ++begin;
    while (end > begin && std::iswspace(url[end - 1]))
        --end;
    std::wstring text = url.substr(begin, end - begin);

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
        parts.port = static_cast<int>(_wtol(hostPart.c_str() + colon + 1));
    } else {
        parts.host = hostPart;
    }

    size_t lastSlash = text.rfind(L'/');
    parts.fileName = lastSlash == std::wstring::npos ? text : text.substr(lastSlash + 1);
    size_t query = parts.fileName.rfind(L'?');
    if (query != std::wstring::npos)
        parts.fileName.erase(query);

    parts.path = slash == std::wstring::npos ? text : text.substr(slash);
    return parts;
}

}  // namespace radu
