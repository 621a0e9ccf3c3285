#include "download/proxy_script.h"

#include <windows.h>
#include <wininet.h>

#include "common/text.h"
#include "common/unique_handle.h"
#include "download/sync_mutex.h"

namespace radu {

namespace {

// jsproxy.dll's entry points (declared by no header of the SDK).
using InitializeFn = BOOL(CALLBACK*)(DWORD version, LPSTR file, LPSTR mime, void* callbacks,
                                     AUTO_PROXY_SCRIPT_BUFFER* script);
using GetProxyInfoFn = BOOL(CALLBACK*)(LPCSTR url, DWORD urlLength, LPSTR host, DWORD hostLength,
                                       LPSTR* proxy, LPDWORD proxyLength);
using DeinitializeFn = BOOL(CALLBACK*)(LPSTR mime, DWORD reserved);

// The engine holds one script at a time for the whole process.
CSyncMutex& EngineLock() {
    static CSyncMutex lock;
    return lock;
}

}  // namespace

bool RunProxyScript(const std::string& script, const std::wstring& address, const std::wstring& host,
                    std::wstring& answer) {
    // Not a known DLL: only the system's own copy may be loaded into a program that runs elevated.
    UniqueModule engine(::LoadLibraryExW(L"jsproxy.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!engine)
        return false;
    auto initialize = reinterpret_cast<InitializeFn>(
        reinterpret_cast<void*>(::GetProcAddress(engine.get(), "InternetInitializeAutoProxyDll")));
    auto getProxyInfo = reinterpret_cast<GetProxyInfoFn>(
        reinterpret_cast<void*>(::GetProcAddress(engine.get(), "InternetGetProxyInfo")));
    auto deinitialize = reinterpret_cast<DeinitializeFn>(
        reinterpret_cast<void*>(::GetProcAddress(engine.get(), "InternetDeInitializeAutoProxyDll")));
    if (!initialize || !getProxyInfo || !deinitialize)
        return false;

    std::string text = script;  // the engine takes a writable buffer, zero included in its size
    std::string url = Narrow(address), name = Narrow(host);
    CSyncMutex::Scope lock(EngineLock());
    AUTO_PROXY_SCRIPT_BUFFER buffer = {sizeof buffer, text.data(), static_cast<DWORD>(text.size() + 1)};
    if (!initialize(0, nullptr, nullptr, nullptr, &buffer))
        return false;
    LPSTR result = nullptr;
    DWORD length = 0;
    const bool ran = getProxyInfo(url.c_str(), static_cast<DWORD>(url.size()), name.data(),
                                  static_cast<DWORD>(name.size()), &result, &length) &&
                     result != nullptr;
    deinitialize(nullptr, 0);
    if (!ran)
        return false;
    // The answer is the engine's, allocated for the caller with GlobalAlloc; its length counts the zero.
    UniqueGlobalMemory owned(result);
    answer = Widen(std::string(result, ::strnlen(result, length)));
    return true;
}

}  // namespace radu
