// WinHTTP is loaded by hand from System32 and never imported: the program runs elevated, and a DLL of
// that name in its own folder must never be the one that runs. <winhttp.h> and <wininet.h> cannot be
// included together (common/unique_handle.h needs the latter), so this file owns its handles with
// holders of its own.
//
// A configuration script is whatever the network (automatic detection through DHCP and DNS) or any
// program of the user (the script address is kept under HKCU) makes it, and this program runs as
// administrator. WinHTTP's auto-proxy service evaluates it out of process: through a resolver
// (WinHttpGetProxyForUrlEx, Windows 8 and later), which hands back every entry of the answer in order, and
// otherwise through WinHttpGetProxyForUrl, whose proxy list is walked in order.
#include "download/auto_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <vector>

namespace radu {

namespace {

constexpr wchar_t kAgent[] = L"Mozilla";

struct WinHttp {
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) getUserConfig = nullptr;
    decltype(&::WinHttpOpen) open = nullptr;
    decltype(&::WinHttpCloseHandle) close = nullptr;
    decltype(&::WinHttpGetProxyForUrl) getProxyForUrl = nullptr;
    // The resolver's calls (Windows 8 and later).
    decltype(&::WinHttpSetStatusCallback) setCallback = nullptr;
    decltype(&::WinHttpCreateProxyResolver) createResolver = nullptr;
    decltype(&::WinHttpGetProxyForUrlEx) getProxyForUrlEx = nullptr;
    decltype(&::WinHttpGetProxyResult) getProxyResult = nullptr;
    decltype(&::WinHttpFreeProxyResult) freeProxyResult = nullptr;
    bool loaded = false;
    bool resolver = false;
};

template <typename Function>
void Find(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Loaded once and kept for the life of the process (thread-safe initialisation of a local static). Nothing
// in it is destroyed at exit, while a thread may still be inside WinHTTP.
const WinHttp& Functions() {
    static const WinHttp functions = [] {
        WinHttp f;
        HMODULE module = ::LoadLibraryExW(L"winhttp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!module)
            return f;
        Find(module, "WinHttpGetIEProxyConfigForCurrentUser", f.getUserConfig);
        Find(module, "WinHttpOpen", f.open);
        Find(module, "WinHttpCloseHandle", f.close);
        Find(module, "WinHttpGetProxyForUrl", f.getProxyForUrl);
        Find(module, "WinHttpSetStatusCallback", f.setCallback);
        Find(module, "WinHttpCreateProxyResolver", f.createResolver);
        Find(module, "WinHttpGetProxyForUrlEx", f.getProxyForUrlEx);
        Find(module, "WinHttpGetProxyResult", f.getProxyResult);
        Find(module, "WinHttpFreeProxyResult", f.freeProxyResult);
        f.loaded = f.getUserConfig && f.open && f.close && f.getProxyForUrl;
        f.resolver = f.loaded && f.setCallback && f.createResolver && f.getProxyForUrlEx &&
                     f.getProxyResult && f.freeProxyResult;
        return f;
    }();
    return functions;
}

// One WinHTTP session or resolver handle.
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

  private:
    LPWSTR text = nullptr;
};

// A manual-reset event, closed when it goes.
class Event {
  public:
    Event() : handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() {
        if (handle)
            ::CloseHandle(handle);
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

  private:
    HANDLE handle;
};

// One asynchronous WinHttpGetProxyForUrlEx. Its completion arrives on a thread of WinHTTP's; the thread
// that asked waits for it however long it takes (its own caller does not), so this outlives the call.
struct ResolverCall {
    Event done;
    DWORD error = ERROR_WINHTTP_AUTO_PROXY_SERVICE_ERROR;  // written before done is set
};

void CALLBACK ResolverAnswered(HINTERNET, DWORD_PTR context, DWORD status, void* information, DWORD) {
    auto* call = reinterpret_cast<ResolverCall*>(context);
    if (status == WINHTTP_CALLBACK_STATUS_GETPROXYFORURL_COMPLETE) {
        call->error = ERROR_SUCCESS;
    } else if (status == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) {
        if (information)
            call->error = static_cast<WINHTTP_ASYNC_RESULT*>(information)->dwError;
    } else {
        return;  // no other notification was asked for
    }
    ::SetEvent(call->done.get());
}

enum class Asked { kAnswered, kFailed, kNoResolver };

// Through a resolver: every entry of the answer, in order (as many as a download tries).
Asked AskResolver(const std::wstring& address, WINHTTP_AUTOPROXY_OPTIONS& options, ProxyRoutes& routes) {
    const WinHttp& f = Functions();
    if (!f.resolver)
        return Asked::kNoResolver;
    Handle session(f.open(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                          WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
    HINTERNET made = nullptr;
    // A system that exports the calls but makes no resolver is one without them (Wine 8 answers 12178).
    if (!session || f.createResolver(session.get(), &made) != ERROR_SUCCESS || !made)
        return Asked::kNoResolver;
    Handle resolver(made);
    ResolverCall call;
    if (!call.done ||
        f.setCallback(resolver.get(), &ResolverAnswered,
                      WINHTTP_CALLBACK_FLAG_REQUEST_ERROR | WINHTTP_CALLBACK_FLAG_GETPROXYFORURL_COMPLETE,
                      0) == WINHTTP_INVALID_STATUS_CALLBACK)
        return Asked::kFailed;
    // Any other answer than "pending" means no callback comes.
    if (f.getProxyForUrlEx(resolver.get(), address.c_str(), &options, reinterpret_cast<DWORD_PTR>(&call)) !=
        ERROR_IO_PENDING)
        return Asked::kFailed;
    ::WaitForSingleObject(call.done.get(), INFINITE);
    WINHTTP_PROXY_RESULT result = {};
    if (call.error != ERROR_SUCCESS || f.getProxyResult(resolver.get(), &result) != ERROR_SUCCESS)
        return Asked::kFailed;
    // Only entries a connection could be made through are copied, and no more than a download tries.
    std::vector<ResolvedProxy> answer;
    for (DWORD i = 0; i < result.cEntries && answer.size() < kMaxProxyRoutes; ++i) {
        const WINHTTP_PROXY_RESULT_ENTRY& entry = result.pEntries[i];
        if (!entry.fProxy)
            answer.push_back(ResolvedProxy{true, {}, 0});
        else if (entry.ProxyScheme == INTERNET_SCHEME_HTTP && entry.pwszProxy)
            answer.push_back(ResolvedProxy{false, entry.pwszProxy, entry.ProxyPort});
    }
    f.freeProxyResult(&result);
    routes = RoutesFromResolver(answer);
    return Asked::kAnswered;
}

// Through WinHttpGetProxyForUrl: its proxy list, in order.
bool AskWinHttp(const std::wstring& address, WINHTTP_AUTOPROXY_OPTIONS& options, ProxyRoutes& routes) {
    const WinHttp& f = Functions();
    Handle session(
        f.open(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return false;
    // "By default, WinHTTP is configured to fall back to auto-discover a proxy in-process. If this
    // fallback behavior is undesirable in the event that an out-of-process discovery fails, it can be
    // disabled using this flag."
    options.dwFlags |= WINHTTP_AUTOPROXY_RUN_OUTPROCESS_ONLY;
    WINHTTP_PROXY_INFO info = {};
    if (!f.getProxyForUrl(session.get(), address.c_str(), &options, &info))
        return false;
    GlobalText proxy, bypass;
    *proxy.put() = info.lpszProxy;
    *bypass.put() = info.lpszProxyBypass;
    routes =
        info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? ParseProxyServer(proxy.str()) : ProxyRoutes();
    return true;
}

}  // namespace

bool ReadUserProxySettings(UserProxySettings& settings) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG raw = {};
    if (!Functions().loaded || !Functions().getUserConfig(&raw))
        return false;
    GlobalText script, proxy, bypass;
    *script.put() = raw.lpszAutoConfigUrl;
    *proxy.put() = raw.lpszProxy;
    *bypass.put() = raw.lpszProxyBypass;
    settings.autoDetect = raw.fAutoDetect != FALSE;
    settings.script = script.str();
    settings.proxy = proxy.str();
    settings.bypass = bypass.str();
    return true;
}

bool AskAutoProxy(const std::wstring& address, const wchar_t* scriptAddress, ProxyRoutes& routes) {
    if (!Functions().loaded)
        return false;
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (scriptAddress) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = scriptAddress;
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    const Asked asked = AskResolver(address, options, routes);
    return asked == Asked::kAnswered || (asked == Asked::kNoResolver && AskWinHttp(address, options, routes));
}

}  // namespace radu
