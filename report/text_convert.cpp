#include <windows.h>

#include "common/text.h"
#include "report/report.h"

namespace radu {

namespace {

constexpr char kInvalidSequence[] = "Invalid UTF-8 sequence.";
constexpr char kConversionError[] = "Error in conversion.";
constexpr char kLengthChanged[] = "La falla!";

const char* ErrorText(Conversion result) {
    switch (result) {
        case Conversion::kDone:
            return nullptr;
        case Conversion::kInvalidInput:
            return kInvalidSequence;
        case Conversion::kLengthChanged:
            return kLengthChanged;
        case Conversion::kFailed:
            break;
    }
    return kConversionError;
}

}  // namespace

WideText AnsiToWide(const char* text) {
    WideText out;
    out.error = text != nullptr ? ErrorText(WidenInto(text, CP_ACP, MB_ERR_INVALID_CHARS, out.text))
                                : kConversionError;
    return out;
}

NarrowText WideToUtf8(const wchar_t* text) {
    NarrowText out;
    // Without WC_ERR_INVALID_CHARS a conversion to UTF-8 never finds its input invalid.
    out.error = text != nullptr ? ErrorText(NarrowInto(text, CP_UTF8, 0, out.text)) : kConversionError;
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
