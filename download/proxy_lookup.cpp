// The proxy search runs on a thread of its own and the download waits for it a bounded time: neither
// WinHTTP call the search makes has a time limit of its own, and a script can loop for ever.
#include "download/proxy_lookup.h"

#include <windows.h>

#include <memory>

#include "common/unique_handle.h"
#include "download/auto_proxy.h"
#include "download/url.h"

namespace radu {

namespace {

// How long a download waits for detection and a script's answer together. A script on the local network
// is fetched and answers within a fraction of a second (0.1 s here, 0.7 s for the first one, which loads
// Wine's script engine under CPU emulation); five seconds leave room for a slow network and a loaded
// machine, and are about as long as a user watches the progress bar stand still before taking the
// installer for hung. After that the download goes on as the settings say next: the fixed proxy, or none.
constexpr DWORD kSearchLimitMs = 5000;
constexpr wchar_t kSearchLimitText[] = L"5 s";

// What the search's thread and its caller share. The caller may stop waiting while the thread is still
// inside WinHTTP (under Wine a script that loops for ever keeps it there: Wine's WinHTTP runs scripts in
// the calling thread), so each side holds a reference and the last one to let go frees it.
struct Search {
    std::wstring address;
    bool detect = false;
    std::wstring scriptAddress;  // the settings' own, or empty
    // Written by the thread; read by the caller only after the thread has ended.
    bool answered = false;
    ProxyRoutes routes;
    std::wstring source;
};

// 1 while a search's thread runs. A thread its caller stopped waiting for keeps it until WinHTTP answers,
// which may be never: later downloads of this process then go without a search rather than pile more
// threads behind it. A plain number, so that nothing is destroyed at exit while such a thread still runs.
LONG searchRunning = 0;

DWORD WINAPI SearchThread(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Search>> held(static_cast<std::shared_ptr<Search>*>(parameter));
    Search& search = **held;
    // Detection first, then the address the settings name, as the system's own clients take them (one
    // WinHTTP call may take both on Windows, but Wine refuses the pair).
    if (search.detect && AskAutoProxy(search.address, nullptr, search.routes)) {
        search.answered = true;
        search.source = L"automatic detection";
    } else if (!search.scriptAddress.empty() &&
               AskAutoProxy(search.address, search.scriptAddress.c_str(), search.routes)) {
        search.answered = true;
        search.source = L"configuration script " + search.scriptAddress;
    }
    ::InterlockedExchange(&searchRunning, 0);
    return 0;
}

// Detection and the settings' script, evaluated by WinHTTP within kSearchLimitMs. False, with what
// happened in `failure`, when they gave no answer in time.
bool SearchWithScript(const std::wstring& address, const UserProxySettings& settings, ProxyChoice& choice,
                      std::wstring& failure) {
    const std::wstring searched = settings.autoDetect && !settings.script.empty()
                                      ? L"automatic detection and the configuration script"
                                  : settings.autoDetect ? L"automatic detection"
                                                        : L"the configuration script";
    if (::InterlockedCompareExchange(&searchRunning, 1, 0) != 0) {
        failure = L"an earlier proxy search has not ended";
        return false;
    }
    const auto search = std::make_shared<Search>();
    search->address = address;
    search->detect = settings.autoDetect;
    search->scriptAddress = settings.script;
    auto* forThread = new std::shared_ptr<Search>(search);
    const UniqueKernelHandle thread(::CreateThread(nullptr, 0, &SearchThread, forThread, 0, nullptr));
    if (!thread) {
        delete forThread;
        ::InterlockedExchange(&searchRunning, 0);
        failure = L"no thread for the proxy search";
        return false;
    }
    // Left running when the time is up: it ends when WinHTTP answers, or with the process.
    if (::WaitForSingleObject(thread.get(), kSearchLimitMs) != WAIT_OBJECT_0) {
        failure = searched + L" gave no answer within " + kSearchLimitText;
        return false;
    }
    if (!search->answered) {
        failure = searched + L" failed";
        return false;
    }
    choice.routes = std::move(search->routes);
    choice.why = search->source;
    return true;
}

}  // namespace

ProxyChoice FindProxyFor(const std::wstring& address) {
    ProxyChoice choice;
    UserProxySettings settings;
    if (!ReadUserProxySettings(settings)) {
        choice.why = L"no proxy settings could be read";
        return choice;
    }
    std::wstring failure;
    if ((settings.autoDetect || !settings.script.empty()) &&
        SearchWithScript(address, settings, choice, failure))
        return choice;
    const std::wstring after = failure.empty() ? L"" : L"; " + failure;
    if (!settings.proxy.empty()) {
        const UrlParts parts = ParseUrl(address);
        if (BypassesProxy(parts.host, parts.port, settings.bypass)) {
            choice.why = L"the bypass list names the server" + after;
            return choice;
        }
        choice.routes = ParseProxyServer(settings.proxy);
        choice.why = L"fixed proxy " + settings.proxy + after;
        return choice;
    }
    choice.why = failure.empty() ? L"no proxy set" : failure + L", no fixed proxy";
    return choice;
}

}  // namespace radu
