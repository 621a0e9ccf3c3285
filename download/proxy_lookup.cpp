// WinHTTP is loaded by hand from System32 and never imported: the program runs elevated, and a DLL of
// that name in its own folder must never be the one that runs. <winhttp.h> and <wininet.h> cannot be
// included together, so this file owns its WinHTTP handles with a holder of its own.
#include "download/proxy_lookup.h"

#include <windows.h>
#include <winhttp.h>

#include <utility>

#include "download/proxy_script.h"
#include "download/url.h"

namespace radu {

namespace {

// A configuration script larger than this is not one.
constexpr size_t kMaxScriptBytes = 1 << 20;
constexpr int kScriptTimeoutMs = 10000;

struct WinHttp {
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) getUserConfig = nullptr;
    decltype(&::WinHttpDetectAutoProxyConfigUrl) detectScript = nullptr;
    decltype(&::WinHttpGetProxyForUrl) getProxyForUrl = nullptr;
    decltype(&::WinHttpOpen) open = nullptr;
    decltype(&::WinHttpCloseHandle) close = nullptr;
    decltype(&::WinHttpSetTimeouts) setTimeouts = nullptr;
    decltype(&::WinHttpCrackUrl) crackUrl = nullptr;
    decltype(&::WinHttpConnect) connect = nullptr;
    decltype(&::WinHttpOpenRequest) openRequest = nullptr;
    decltype(&::WinHttpSendRequest) sendRequest = nullptr;
    decltype(&::WinHttpReceiveResponse) receiveResponse = nullptr;
    decltype(&::WinHttpQueryHeaders) queryHeaders = nullptr;
    decltype(&::WinHttpReadData) readData = nullptr;
    bool loaded = false;
};

template <typename Function>
void Find(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Loaded once and kept for the life of the process (thread-safe initialisation of a local static).
const WinHttp& Functions() {
    static const WinHttp functions = [] {
        WinHttp f;
        HMODULE module = ::LoadLibraryExW(L"winhttp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!module)
            return f;
        Find(module, "WinHttpGetIEProxyConfigForCurrentUser", f.getUserConfig);
        Find(module, "WinHttpDetectAutoProxyConfigUrl", f.detectScript);
        Find(module, "WinHttpGetProxyForUrl", f.getProxyForUrl);
        Find(module, "WinHttpOpen", f.open);
        Find(module, "WinHttpCloseHandle", f.close);
        Find(module, "WinHttpSetTimeouts", f.setTimeouts);
        Find(module, "WinHttpCrackUrl", f.crackUrl);
        Find(module, "WinHttpConnect", f.connect);
        Find(module, "WinHttpOpenRequest", f.openRequest);
        Find(module, "WinHttpSendRequest", f.sendRequest);
        Find(module, "WinHttpReceiveResponse", f.receiveResponse);
        Find(module, "WinHttpQueryHeaders", f.queryHeaders);
        Find(module, "WinHttpReadData", f.readData);
        f.loaded = f.getUserConfig && f.detectScript && f.getProxyForUrl && f.open && f.close &&
                   f.setTimeouts && f.crackUrl && f.connect && f.openRequest && f.sendRequest &&
                   f.receiveResponse && f.queryHeaders && f.readData;
        return f;
    }();
    return functions;
}

// One WinHTTP session, connection or request handle.
class Handle {
  public:
    explicit Handle(HINTERNET h) : handle(h) {}
    ~Handle() {
        if (handle)
            Functions().close(handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HINTERNET get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

  private:
    HINTERNET handle;
};

// A text WinHTTP allocated for the caller with GlobalAlloc.
class GlobalText {
  public:
    GlobalText() = default;
    ~GlobalText() {
        if (text)
            ::GlobalFree(text);
    }
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;
    LPWSTR* put() { return &text; }
    std::wstring str() const { return text ? std::wstring(text) : std::wstring(); }
    explicit operator bool() const { return text && *text; }

  private:
    LPWSTR text = nullptr;
};

struct UserConfig {
    bool autoDetect = false;
    GlobalText script, proxy, bypass;
};

bool ReadUserConfig(UserConfig& config) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG raw = {};
    if (!Functions().getUserConfig(&raw))
        return false;
    config.autoDetect = raw.fAutoDetect != FALSE;
    *config.script.put() = raw.lpszAutoConfigUrl;
    *config.proxy.put() = raw.lpszProxy;
    *config.bypass.put() = raw.lpszProxyBypass;
    return true;
}

// The script's text, fetched without a proxy (as the system's clients fetch it); empty on any failure.
std::string FetchScript(HINTERNET session, const std::wstring& address) {
    const WinHttp& f = Functions();
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!f.crackUrl(address.c_str(), 0, 0, &parts) || parts.dwHostNameLength == 0)
        return {};
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo)
        object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    Handle connection(f.connect(session, host.c_str(), parts.nPort, 0));
    if (!connection)
        return {};
    Handle request(f.openRequest(connection.get(), L"GET", object.empty() ? L"/" : object.c_str(), nullptr,
                                 WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                 parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request || !f.sendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, nullptr, 0, 0, 0) ||
        !f.receiveResponse(request.get(), nullptr))
        return {};
    DWORD status = 0, size = sizeof status;
    if (!f.queryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
        status != 200)
        return {};
    std::string script;
    char block[16384];
    for (DWORD got = 0; f.readData(request.get(), block, sizeof block, &got) && got > 0;) {
        script.append(block, got);
        if (script.size() > kMaxScriptBytes)
            return {};
    }
    return script;
}

// The routes a configuration script names for address: run by the system's script engine, which keeps
// every proxy of the answer in its order; where that engine is missing, WinHTTP's own answer.
bool RoutesFromScript(HINTERNET session, const std::wstring& scriptAddress, const std::wstring& address,
                      const std::wstring& host, ProxyRoutes& routes) {
    const std::string script = FetchScript(session, scriptAddress);
    std::wstring answer;
    if (!script.empty() && RunProxyScript(script, address, host, answer)) {
        routes = ParseScriptAnswer(answer);
        return true;
    }
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = scriptAddress.c_str();
    WINHTTP_PROXY_INFO info = {};
    if (!Functions().getProxyForUrl(session, address.c_str(), &options, &info))
        return false;
    GlobalText proxy, bypass;
    *proxy.put() = info.lpszProxy;
    *bypass.put() = info.lpszProxyBypass;
    routes =
        info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? ParseProxyServer(proxy.str()) : ProxyRoutes();
    return true;
}

}  // namespace

ProxyChoice FindProxyFor(const std::wstring& address) {
    ProxyChoice choice;
    UserConfig config;
    if (!Functions().loaded || !ReadUserConfig(config)) {
        choice.why = L"no proxy settings could be read";
        return choice;
    }
    const UrlParts parts = ParseUrl(address);

    std::wstring scriptAddress = config.script.str();
    GlobalText detected;
    if (config.autoDetect &&
        Functions().detectScript(WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A,
                                 detected.put()) &&
        detected)
        scriptAddress = detected.str();
    if (!scriptAddress.empty()) {
        Handle session(Functions().open(L"Mozilla", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                        WINHTTP_NO_PROXY_BYPASS, 0));
        if (session) {
            Functions().setTimeouts(session.get(), kScriptTimeoutMs, kScriptTimeoutMs, kScriptTimeoutMs,
                                    kScriptTimeoutMs);
            if (RoutesFromScript(session.get(), scriptAddress, address, parts.host, choice.routes)) {
                choice.why = L"configuration script " + scriptAddress;
                return choice;
            }
        }
    }
    if (config.proxy) {
        if (BypassesProxy(parts.host, parts.port, config.bypass.str())) {
            choice.why = L"the bypass list names the server";
            return choice;
        }
        choice.routes = ParseProxyServer(config.proxy.str());
        choice.why = L"fixed proxy " + config.proxy.str();
        return choice;
    }
    choice.why = scriptAddress.empty() ? L"no proxy set" : L"the configuration script failed, no fixed proxy";
    return choice;
}

}  // namespace radu
