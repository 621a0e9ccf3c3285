// Finding the proxy for a download from the current user's settings (those Internet Options writes):
// automatic detection, a configuration script address, a fixed proxy with its bypass list. WinHTTP reads
// them; detection and scripts are left to the system's WinHTTP auto-proxy service, and no script ever runs
// in this program's own code.
#pragma once

#include <string>

#include "download/proxy_route.h"

namespace radu {

struct ProxyChoice {
    ProxyRoutes routes;  // empty: straight to the server
    std::wstring why;    // where the choice came from, for a person reading it
};

// The routes for an "http://" address. Settings that cannot be read, or say nothing, give no route at
// all: every request goes straight to the server. When detection or a configuration script finds no
// proxy within a few seconds, the fixed proxy is taken, as the system's own clients do, or none.
ProxyChoice FindProxyFor(const std::wstring& address);

}  // namespace radu
