// The system's WinHTTP for proxies: the current user's settings as Internet Options keeps them, and the
// answer of WinHTTP's auto-proxy service for one address (automatic detection, or a configuration script
// at an address). No script ever runs in this program's own code. Each call waits as long as WinHTTP
// takes; proxy_lookup bounds the wait.
#pragma once

#include <string>

#include "download/proxy_route.h"

namespace radu {

struct UserProxySettings {
    bool autoDetect = false;
    std::wstring script;  // the configuration script's address
    std::wstring proxy;   // the fixed proxy list
    std::wstring bypass;  // its bypass list
};

// False when WinHTTP is missing or cannot read them.
bool ReadUserProxySettings(UserProxySettings& settings);

// The routes the auto-proxy service answers for `address`: by automatic detection when scriptAddress is
// null, otherwise from the script at that address. False when no answer came (no script was found or
// fetched, it failed, or the service is missing). Safe to call from several threads at once.
bool AskAutoProxy(const std::wstring& address, const wchar_t* scriptAddress, ProxyRoutes& routes);

}  // namespace radu
