// Running a proxy configuration script with the system's script engine (jsproxy.dll), which hands back
// the script's answer as it stands ("PROXY a:1; PROXY b:2; DIRECT"), every proxy in its order.
#pragma once

#include <string>

namespace radu {

// FindProxyForURL(address, host) of script. False when the engine is missing or the script fails.
bool RunProxyScript(const std::string& script, const std::wstring& address, const std::wstring& host,
                    std::wstring& answer);

}  // namespace radu
