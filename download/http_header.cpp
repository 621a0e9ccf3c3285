#include "download/http_header.h"

#include <cwctype>

#include "common/text.h"

namespace radu {

namespace {

std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::iswspace(s[b]))
        ++b;
    while (e > b && std::iswspace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// A decimal size below 2^31, with blanks allowed around it; anything else is unknown (0).
uint32_t ParseSizeValue(const std::wstring& value) {
    std::wstring v = Trim(value);
    if (v.empty())
        return 0;
    uint64_t n = 0;
    for (wchar_t c : v) {
        if (c < L'0' || c > L'9')
            return 0;
        n = n * 10 + static_cast<uint64_t>(c - L'0');
        if (n >= 0x80000000ull)
            return 0;
    }
    return static_cast<uint32_t>(n);
}

}  // namespace

bool StatusLineContains(const char* header, const wchar_t* text) {
    std::wstring h = Widen(header);
    size_t eol = h.find(L"\r\n");
    if (eol == std::wstring::npos)
        return false;
    return h.substr(0, eol).find(text) != std::wstring::npos;
}

std::wstring ParseLocation(const char* header) {
    std::wstring h = Widen(header);
    std::wstring name = L"location:";
    size_t at = h.find(name);
    if (at == std::wstring::npos) {
        name = L"Location:";
        at = h.find(name);
    }
    if (at == std::wstring::npos)
        return {};
    size_t start = at + name.size();
    size_t eol = h.find(L"\r\n", start);
    if (eol == std::wstring::npos)
        return {};
    return Trim(h.substr(start, eol - start));
}

uint32_t ParseContentSize(const char* header) {
    std::wstring h = Widen(header);
    std::wstring value;
    size_t at = h.find(L"Content-Range:");
    if (at != std::wstring::npos) {
        size_t start = at + 14;
        size_t eol = h.find(L"\r\n", start);
        value = h.substr(start, eol == std::wstring::npos ? std::wstring::npos : eol - start);
        size_t slash = value.find(L'/');
        if (slash != std::wstring::npos)
            value.erase(0, slash + 1);
    } else if ((at = h.find(L"Content-Length:")) != std::wstring::npos) {
        size_t start = at + 15;
        size_t eol = h.find(L"\r\n", start);
        value = h.substr(start, eol == std::wstring::npos ? std::wstring::npos : eol - start);
    } else {
        return 0;
    }
    return ParseSizeValue(value);
}

}  // namespace radu
