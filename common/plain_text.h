// Text helpers that need no Windows header and no locale: trimming and ASCII case folding. Pure, so the
// natively built fuzz harnesses compile them with the sources that use them.
#pragma once

#include <cwctype>
#include <string_view>

namespace radu {

// `text` less the characters at either end that `strip` accepts.
template <typename Char, typename Strip>
constexpr std::basic_string_view<Char> TrimIf(std::basic_string_view<Char> text, Strip strip) {
    while (!text.empty() && strip(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && strip(text.back()))
        text.remove_suffix(1);
    return text;
}

// `text` less white space (as std::iswspace has it) at either end.
inline std::wstring_view TrimWhitespace(std::wstring_view text) {
    return TrimIf(text, [](wchar_t c) { return std::iswspace(c) != 0; });
}

// A to Z as a to z; every other character as it is.
template <typename Char>
constexpr Char AsciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

namespace plain_text_detail {

template <typename Char>
constexpr bool SameIgnoringAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

}  // namespace plain_text_detail

// Equal but for the case of the letters A to Z; nothing else is folded.
inline bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return plain_text_detail::SameIgnoringAsciiCase(a, b);
}
inline bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    return plain_text_detail::SameIgnoringAsciiCase(a, b);
}

}  // namespace radu
