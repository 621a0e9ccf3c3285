// Proxy settings, configuration script answers and the system resolver's entries as a user's machine or a
// script may make them: no more routes than a download tries, every
// route that comes out is one a connection can be made to, and no text reaches a request line unless it
// is a plain host name.
#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "download/proxy_route.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    if (size < 3)
        return 0;
    // The first byte chooses the reading, the next two the port; the rest is the text, two bytes a unit.
    const int port = data[1] | (data[2] << 8);
    std::wstring text;
    for (size_t i = 3; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));

    // A resolver's answer: each line of the text an entry, an empty one the server itself.
    std::vector<ResolvedProxy> entries;
    for (size_t at = 0; at <= text.size();) {
        const size_t end = std::min(text.find(L'\n', at), text.size());
        entries.push_back(ResolvedProxy{end == at, text.substr(at, end - at), port});
        at = end + 1;
    }
    const ProxyRoutes routes = data[0] & 2   ? RoutesFromResolver(entries)
                               : data[0] & 1 ? ParseScriptAnswer(text)
                                             : ParseProxyServer(text);
    FUZZ_CHECK(routes.size() <= kMaxProxyRoutes);
    for (size_t i = 0; i < routes.size(); ++i) {
        const ProxyRoute& r = routes[i];
        if (i > 0)
            FUZZ_CHECK(!(routes[i - 1] == r));
        if (r.direct()) {
            FUZZ_CHECK(r.port == 0);
            continue;
        }
        FUZZ_CHECK(r.port >= 1 && r.port <= 65535);
        for (wchar_t c : r.host)
            FUZZ_CHECK((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                       c == L'.' || c == L'-' || c == L'_');
    }
    FUZZ_CHECK(!(routes.size() == 1 && routes[0].direct()));

    // The bypass list: a host the list names as it is, in any case, is bypassed.
    // Up to the first character that a list separates, trims or reads as a wildcard, scheme or port.
    size_t cut = 0;
    while (cut < text.size() && !std::iswspace(text[cut]) &&
           std::wstring(L";*:<>/").find(text[cut]) == std::wstring::npos)
        ++cut;
    const std::wstring host = text.substr(0, cut);
    BypassesProxy(host, port, text);
    if (!host.empty() && host.find(L"://") == std::wstring::npos)
        FUZZ_CHECK(BypassesProxy(host, port, L"x;" + host));
    const std::wstring target = RequestTarget(true, L"h", port, L"/p");
    FUZZ_CHECK(target.rfind(L"http://h", 0) == 0);
    FUZZ_CHECK((port == 80) == (target == L"http://h/p"));
    return 0;
}
