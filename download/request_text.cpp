#include "download/request_text.h"

#include <cstdio>

namespace radu {

namespace {

const wchar_t kAccept[] = L"Accept: */*\r\n";
const wchar_t kShortAgent[] = L"User-Agent: Mozilla\r\n";
// The tabs and spaces inside are part of the value that servers see and log.
const wchar_t kBrowserAgent[] =
    L"User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36\t\t\t\t  (KHTML, like "
    L"Gecko)Chrome/32.0.1700.107 Safari/537.36\r\n";
const wchar_t kSizeRange[] = L"Range: bytes=0-1\r\n";
const wchar_t kEnd[] = L"\r\n";

std::wstring RequestLine(const std::wstring& path) {
    return L"GET " + path + L" HTTP/1.1\r\n";
}
std::wstring HostLine(const std::wstring& host) {
    return L"Host: " + host + L"\r\n";
}

}  // namespace

std::wstring RedirectProbeText(const std::wstring& host, const std::wstring& path) {
    return RequestLine(path) + HostLine(host) + kAccept + kBrowserAgent + kEnd;
}

std::vector<std::wstring> SizeProbeLines(const std::wstring& host, const std::wstring& path) {
    return {RequestLine(path), HostLine(host), kAccept, kShortAgent, kSizeRange, kEnd};
}

std::vector<std::wstring> SizeRequestLines(const std::wstring& host, const std::wstring& path) {
    return {RequestLine(path), HostLine(host), kAccept, kShortAgent, kEnd};
}

std::vector<std::wstring> RangeRequestLines(const std::wstring& host, const std::wstring& path,
                                            uint32_t first, uint32_t last) {
    wchar_t range[64];
    std::swprintf(range, 64, L"Range: bytes=%d-%d\r\n", static_cast<int>(first), static_cast<int>(last));
    return {RequestLine(path), HostLine(host), kAccept, kShortAgent, range, kEnd};
}

std::vector<std::wstring> WholeRequestLines(const std::wstring& host, const std::wstring& path) {
    return SizeRequestLines(host, path);
}

}  // namespace radu
