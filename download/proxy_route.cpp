#include "download/proxy_route.h"

#include "common/plain_text.h"

namespace radu {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L';' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// Hands each entry of a list (split at separators, none empty) to visit, in order, until visit returns
// false. Nothing is copied: a list of any length costs one pass over its text.
template <typename Visit>
void ForEachEntry(std::wstring_view list, bool blanksSeparate, Visit visit) {
    size_t start = 0;
    for (size_t i = 0; i <= list.size(); ++i) {
        const bool end = i == list.size() || list[i] == L';' || (blanksSeparate && IsSeparator(list[i]));
        if (!end)
            continue;
        std::wstring_view entry = TrimWhitespace(list.substr(start, i - start));
        if (!entry.empty() && !visit(entry))
            return;
        start = i + 1;
    }
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && SameIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Letters, digits, ".", "-" and "_", at least one: nothing a request line or a list could read as more.
bool IsPlainHostName(std::wstring_view host) {
    if (host.empty())
        return false;
    for (wchar_t c : host) {
        const bool usable = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                            (c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L'_';
        if (!usable)
            return false;
    }
    return true;
}

// "host[:port]" with an optional trailing "/", a port of decimal digits from 1 to 65535 (80 when there
// is none). False for anything else: an empty host, a bracketed IPv6 address (this client connects over
// IPv4 only), characters that cannot be in a host name.
bool ParseHostPort(std::wstring_view text, ProxyRoute& route) {
    if (!text.empty() && text.back() == L'/')
        text.remove_suffix(1);
    std::wstring_view host = text;
    int port = 80;
    const size_t colon = text.rfind(L':');
    if (colon != std::wstring_view::npos) {
        host = text.substr(0, colon);
        std::wstring_view digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5)
            return false;
        port = 0;
        for (wchar_t c : digits) {
            if (c < L'0' || c > L'9')
                return false;
            port = port * 10 + (c - L'0');
        }
        if (port < 1 || port > 65535)
            return false;
    }
    if (!IsPlainHostName(host))
        return false;
    route.host = std::wstring(host);
    route.port = port;
    return true;
}

// "*" stands for any run of characters; everything else matches itself, ASCII case ignored.
bool WildcardMatch(std::wstring_view pattern, std::wstring_view text) {
    size_t p = 0, t = 0, star = std::wstring_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && AsciiLower(pattern[p]) == AsciiLower(text[t])) {
            ++p;
            ++t;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

bool IsLoopback(std::wstring_view host) {
    if (SameIgnoringAsciiCase(host, L"localhost") || host == L"::1" || host == L"[::1]")
        return true;
    // 127.0.0.0/8 as a dotted address: four numbers, the first 127.
    if (!StartsWithNoCase(host, L"127."))
        return false;
    int parts = 1, digits = 0;
    for (wchar_t c : host.substr(4)) {
        if (c == L'.') {
            if (digits == 0)
                return false;
            ++parts;
            digits = 0;
        } else if (c >= L'0' && c <= L'9' && digits < 3) {
            ++digits;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;  // three more numbers after "127."
}

void AddUnlessLast(ProxyRoutes& routes, const ProxyRoute& route) {
    if (routes.empty() || !(routes.back() == route))
        routes.push_back(route);
}

// Only the server itself: no different from no proxy at all.
void DropLoneDirect(ProxyRoutes& routes) {
    if (routes.size() == 1 && routes[0].direct())
        routes.clear();
}

}  // namespace

ProxyRoutes ParseScriptAnswer(std::wstring_view answer) {
    ProxyRoutes routes;
    ForEachEntry(answer, false, [&](std::wstring_view entry) {
        size_t blank = 0;
        while (blank < entry.size() && !IsSeparator(entry[blank]))
            ++blank;
        const std::wstring_view keyword = entry.substr(0, blank);
        const std::wstring_view rest = TrimWhitespace(entry.substr(blank));
        ProxyRoute route;
        if (SameIgnoringAsciiCase(keyword, L"DIRECT") && rest.empty())
            AddUnlessLast(routes, ProxyRoute{});
        else if ((SameIgnoringAsciiCase(keyword, L"PROXY") || SameIgnoringAsciiCase(keyword, L"HTTP")) &&
                 ParseHostPort(rest, route))
            AddUnlessLast(routes, route);
        return routes.size() < kMaxProxyRoutes;
    });
    DropLoneDirect(routes);
    return routes;
}

ProxyRoutes RoutesFromResolver(const std::vector<ResolvedProxy>& answer) {
    ProxyRoutes routes;
    for (const ResolvedProxy& entry : answer) {
        if (routes.size() == kMaxProxyRoutes)
            break;
        if (entry.direct)
            AddUnlessLast(routes, ProxyRoute{});
        else if (IsPlainHostName(entry.host) && entry.port >= 1 && entry.port <= 65535)
            AddUnlessLast(routes, ProxyRoute{entry.host, entry.port});
    }
    DropLoneDirect(routes);
    return routes;
}

ProxyRoutes ParseProxyServer(std::wstring_view list) {
    ProxyRoutes marked, unmarked;
    ForEachEntry(list, true, [&](std::wstring_view entry) {
        const size_t equals = entry.find(L'=');
        ProxyRoutes* into = &unmarked;
        if (equals != std::wstring_view::npos) {
            if (!SameIgnoringAsciiCase(entry.substr(0, equals), L"http"))
                return true;
            entry = entry.substr(equals + 1);
            into = &marked;
        }
        if (StartsWithNoCase(entry, L"http://"))
            entry.remove_prefix(7);
        ProxyRoute route;
        if (into->size() < kMaxProxyRoutes && ParseHostPort(entry, route))
            AddUnlessLast(*into, route);
        return marked.size() < kMaxProxyRoutes;  // a full list for http is the answer
    });
    return marked.empty() ? unmarked : marked;
}

bool BypassesProxy(std::wstring_view host, int port, std::wstring_view bypassList) {
    bool loopbackBypassed = true, named = false;
    ForEachEntry(bypassList, true, [&](std::wstring_view entry) {
        if (SameIgnoringAsciiCase(entry, L"<-loopback>")) {
            loopbackBypassed = false;
            return true;
        }
        if (SameIgnoringAsciiCase(entry, L"<local>")) {
            named =
                !host.empty() && host.find(L'.') == std::wstring_view::npos && host.find(L':') == host.npos;
            return !named;
        }
        if (StartsWithNoCase(entry, L"http://"))
            entry.remove_prefix(7);
        else if (entry.find(L"://") != std::wstring_view::npos)
            return true;  // another scheme's entry
        // A port at the end of the entry narrows it to that port.
        const size_t colon = entry.rfind(L':');
        if (colon != std::wstring_view::npos && colon + 1 < entry.size() &&
            entry.find_first_not_of(L"0123456789", colon + 1) == std::wstring_view::npos) {
            if (std::to_wstring(port) != entry.substr(colon + 1))
                return true;
            entry = entry.substr(0, colon);
        }
        named = WildcardMatch(entry, host);
        return !named;
    });
    return named || (loopbackBypassed && IsLoopback(host));
}

std::wstring RequestTarget(bool viaProxy, const std::wstring& host, int port, const std::wstring& path) {
    if (!viaProxy)
        return path;
    return L"http://" + host + (port == 80 ? std::wstring() : L":" + std::to_wstring(port)) + path;
}

std::wstring DescribeRoutes(const ProxyRoutes& routes) {
    if (routes.empty())
        return L"direct";
    std::wstring text;
    for (const ProxyRoute& route : routes) {
        text += text.empty() ? L"" : L", then ";
        text += route.direct() ? L"direct" : L"proxy " + route.host + L":" + std::to_wstring(route.port);
    }
    return text;
}

}  // namespace radu
