// Reading an HTTP response header as it was received (8-bit, zero-terminated).
#pragma once

#include <cstdint>
#include <string>

namespace radu {

// True when the status line (the text before the first CR LF) contains text. A header without a CR LF
// has no status line.
bool StatusLineContains(const char* header, const wchar_t* text);

// The redirect target: the value of "location:" or, when that is absent, "Location:". Empty when there is
// none or its line has no end.
std::wstring ParseLocation(const char* header);

// The size of the resource: the total of "Content-Range:" (after its "/") or else "Content-Length:".
// 0 when unknown, including a value that is negative, not a number, or 2^31 or more.
uint32_t ParseContentSize(const char* header);

}  // namespace radu
