// Which way the requests of one download go: straight to the server, or through an HTTP proxy. The texts
// the system's settings hold (a fixed proxy list, its bypass list, a configuration script's answer) are
// read here without any Windows call, so that everything a settings page or a script can say is
// testable and fuzzable natively.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace radu {

// A proxy to connect to, or (empty host) the server itself.
struct ProxyRoute {
    std::wstring host;
    int port = 0;
    bool direct() const { return host.empty(); }
    bool operator==(const ProxyRoute& other) const { return host == other.host && port == other.port; }
};

// The routes to try, in order, for one download. Empty: straight to the server, as without settings.
using ProxyRoutes = std::vector<ProxyRoute>;

// The most routes one download tries; later entries of a list are never read into it. A script names one
// proxy or two, perhaps a third, and DIRECT last. Each route that cannot be reached costs a connection
// attempt before the next is tried (up to the system's connect time-out, some 21 s on Windows for an
// address that does not answer), so four keeps a download's first connection within about a minute
// whatever the settings or a script say, where a list of thousands would keep it for hours.
constexpr size_t kMaxProxyRoutes = 4;

// A configuration script's answer ("PROXY a:1; PROXY b:2; DIRECT"): PROXY and HTTP entries become
// proxies, DIRECT the server itself, in the script's order, up to kMaxProxyRoutes of them. Entries this
// client cannot use (SOCKS, HTTPS, a host without a usable port) are left out and do not count. A list
// that comes out empty or names only DIRECT is empty.
ProxyRoutes ParseScriptAnswer(std::wstring_view answer);

// One entry of the answer the system's proxy resolver hands back, already split by the system.
struct ResolvedProxy {
    bool direct = false;  // the server itself; host and port say nothing
    std::wstring host;
    int port = 0;
};

// The routes of a resolver's answer, read as ParseScriptAnswer reads a script's text: in the answer's
// order, up to kMaxProxyRoutes of them, a host that is not a plain host name or a port outside 1 to 65535
// left out, and an answer that names only the server itself no route at all.
ProxyRoutes RoutesFromResolver(const std::vector<ResolvedProxy>& answer);

// The fixed proxy of the settings, or the proxy list WinHTTP hands back for a script ("host:port",
// "http://host:port", or "http=host:port;https=...", entries separated by ";" or blanks): the entries for
// http, or, when none is marked, the unmarked ones, up to kMaxProxyRoutes of them. A missing port is 80.
// Entries of other schemes and unusable ones are left out.
ProxyRoutes ParseProxyServer(std::wstring_view list);

// True when the bypass list (";" or blank separated, "*" for any run of characters, ASCII case ignored,
// an optional "http://" and ":port") names host, or "<local>" is in it and host has no dot. Loopback
// names and addresses (localhost, 127.x.x.x, ::1) are bypassed as well unless the list says
// "<-loopback>".
bool BypassesProxy(std::wstring_view host, int port, std::wstring_view bypassList);

// What follows "GET " in a request line: the path for the server itself, the whole address
// ("http://host[:port]path", the port only when it is not 80) for a proxy.
std::wstring RequestTarget(bool viaProxy, const std::wstring& host, int port, const std::wstring& path);

// "direct", or "proxy a:1, then proxy b:2, then direct": for a person reading it.
std::wstring DescribeRoutes(const ProxyRoutes& routes);

}  // namespace radu
