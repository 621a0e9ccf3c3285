// Finding the proxy for a download from the current user's settings (those Internet Options writes):
// automatic detection, a configuration script address, a fixed proxy with its bypass list. WinHTTP
// reads them and detects the script; the system's script engine runs it.
#pragma once

#include <string>

#include "download/proxy_route.h"

namespace radu {

struct ProxyChoice {
    ProxyRoutes routes;  // empty: straight to the server
    std::wstring why;    // where the choice came from, for a person reading it
};

// The routes for an "http://" address. Settings that cannot be read, or say nothing, give no route at
// all: every request goes straight to the server. A script that cannot be fetched or run falls back to
// the fixed proxy, as the system's own clients do.
ProxyChoice FindProxyFor(const std::wstring& address);

}  // namespace radu
