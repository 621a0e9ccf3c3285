// The texts of the five GET requests the engine sends. The Host line carries the host without the port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace radu {

// Redirect probe: sent as one text, with the browser's agent line.
std::wstring RedirectProbeText(const std::wstring& host, const std::wstring& path);

// The others are sent one line per send, in this order.
std::vector<std::wstring> SizeProbeLines(const std::wstring& host, const std::wstring& path);  // bytes=0-1
std::vector<std::wstring> SizeRequestLines(const std::wstring& host, const std::wstring& path);
std::vector<std::wstring> RangeRequestLines(const std::wstring& host, const std::wstring& path,
                                            uint32_t first, uint32_t last);
std::vector<std::wstring> WholeRequestLines(const std::wstring& host, const std::wstring& path);

}  // namespace radu
