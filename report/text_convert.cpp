#include <windows.h>

#include "report/report.h"

namespace radu {

namespace {

constexpr char kInvalidSequence[] = "Invalid UTF-8 sequence.";
constexpr char kConversionError[] = "Error in conversion.";
constexpr char kLengthChanged[] = "La falla!";

}  // namespace

WideText AnsiToWide(const char* text) {
    WideText out;
    int length = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (length == 0) {
        out.error = ::GetLastError() == ERROR_NO_UNICODE_TRANSLATION ? kInvalidSequence : kConversionError;
        return out;
    }
    out.text.resize(static_cast<size_t>(length));
    if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, out.text.data(), length) != length) {
        out.text.clear();
        out.error = kLengthChanged;
        return out;
    }
    out.text.pop_back();  // the terminator
    return out;
}

NarrowText WideToUtf8(const wchar_t* text) {
    NarrowText out;
    int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length == 0) {
        out.error = kConversionError;
        return out;
    }
    out.text.resize(static_cast<size_t>(length));
    if (::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.text.data(), length, nullptr, nullptr) != length) {
        out.text.clear();
        out.error = kLengthChanged;
        return out;
    }
    out.text.pop_back();
    return out;
}

NarrowText AnsiToUtf8(const char* text) {
    WideText wide = AnsiToWide(text);
    if (wide.error != nullptr) {
        NarrowText out;
        out.error = wide.error;
        return out;
    }
    return WideToUtf8(wide.text.c_str());
}

}  // namespace radu
