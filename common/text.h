// Conversions between UTF-16 and 8-bit code pages.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace radu {

// UTF-16 to an 8-bit code page (the thread's ANSI code page unless told otherwise).
inline std::string Narrow(std::wstring_view text, UINT codePage = CP_THREAD_ACP) {
    if (text.empty())
        return {};
    int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                              nullptr);
    return out;
}

// 8-bit text in a code page to UTF-16.
inline std::wstring Widen(std::string_view text, UINT codePage = CP_THREAD_ACP) {
    if (text.empty())
        return {};
    int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

}  // namespace radu
