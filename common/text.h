// Conversions between UTF-16 and 8-bit code pages.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace radu {

// How a conversion ended; on anything but kDone the output is empty.
enum class Conversion {
    kDone,
    kInvalidInput,   // the input is not valid in its encoding (ERROR_NO_UNICODE_TRANSLATION)
    kFailed,         // measuring the output failed for another reason
    kLengthChanged,  // the conversion wrote another length than it measured
};

namespace text_detail {

// Both directions measure the output first, then convert into a buffer of that length.
template <typename Out, typename Convert>
Conversion ConvertInto(size_t inputLength, Out& out, Convert convert) {
    out.clear();
    if (inputLength == 0)
        return Conversion::kDone;
    const int length = convert(nullptr, 0);
    if (length <= 0)
        return ::GetLastError() == ERROR_NO_UNICODE_TRANSLATION ? Conversion::kInvalidInput
                                                                : Conversion::kFailed;
    out.resize(static_cast<size_t>(length));
    if (convert(out.data(), length) != length) {
        out.clear();
        return Conversion::kLengthChanged;
    }
    return Conversion::kDone;
}

}  // namespace text_detail

// UTF-16 to an 8-bit code page into `out`; `flags` as for WideCharToMultiByte.
inline Conversion NarrowInto(std::wstring_view text, UINT codePage, DWORD flags, std::string& out) {
    return text_detail::ConvertInto(text.size(), out, [&](char* buffer, int size) {
        return ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), buffer,
                                     size, nullptr, nullptr);
    });
}

// 8-bit text in a code page to UTF-16 into `out`; `flags` as for MultiByteToWideChar.
inline Conversion WidenInto(std::string_view text, UINT codePage, DWORD flags, std::wstring& out) {
    return text_detail::ConvertInto(text.size(), out, [&](wchar_t* buffer, int size) {
        return ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), buffer,
                                     size);
    });
}

// UTF-16 to an 8-bit code page (the thread's ANSI code page unless told otherwise); empty on failure.
inline std::string Narrow(std::wstring_view text, UINT codePage = CP_THREAD_ACP) {
    std::string out;
    NarrowInto(text, codePage, 0, out);
    return out;
}

// 8-bit text in a code page to UTF-16; empty on failure.
inline std::wstring Widen(std::string_view text, UINT codePage = CP_THREAD_ACP) {
    std::wstring out;
    WidenInto(text, codePage, 0, out);
    return out;
}

}  // namespace radu
