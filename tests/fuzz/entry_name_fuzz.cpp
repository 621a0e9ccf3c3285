// Entry names as the reader meets them: stored bytes read as UTF-8, sanitised, judged and split.
#include <cstdint>
#include <string>
#include <string_view>

#include "extract/entry_name.h"
#include "tests/fuzz/fuzz_check.h"

namespace radu {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// UTF-8 to UTF-16 close to the reader's MultiByteToWideChar(CP_UTF8): each maximal ill-formed
// subsequence becomes one U+FFFD, code points above U+FFFF become surrogate pairs.
std::wstring Utf16FromUtf8(const uint8_t* p, size_t n) {
    std::wstring out;
    size_t i = 0;
    while (i < n) {
        const uint8_t lead = p[i++];
        const int more = lead < 0x80   ? 0
                         : lead < 0xC2 ? -1
                         : lead < 0xE0 ? 1
                         : lead < 0xF0 ? 2
                         : lead < 0xF5 ? 3
                                       : -1;
        uint32_t code = more > 0 ? lead & (0x3Fu >> more) : lead;
        // The second byte's range rules out overlong forms, surrogates and code points above U+10FFFF.
        uint8_t low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        uint8_t high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        int k = 0;
        for (; k < more && i < n && p[i] >= low && p[i] <= high; ++k, low = 0x80, high = 0xBF)
            code = code << 6 | (p[i++] & 0x3Fu);
        if (more < 0 || k < more) {
            out += L'\xFFFD';
        } else if (code > 0xFFFF) {
            out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<wchar_t>(code);
        }
    }
    return out;
}

// A device in every folder: the part before the first dot, trailing spaces ignored, is CON, PRN, AUX, NUL,
// or COM or LPT with a digit 1 to 9 or a superscript one, two or three.
bool IsWindowsDevice(std::wstring_view part) {
    std::wstring stem(part.substr(0, part.find(L'.')));
    stem.erase(stem.find_last_not_of(L' ') + 1);
    for (wchar_t& c : stem)
        c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL")
        return true;
    if (stem.size() != 4 || (stem.compare(0, 3, L"COM") != 0 && stem.compare(0, 3, L"LPT") != 0))
        return false;
    const wchar_t digit = stem[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

// Joined below a base folder, a relative name never climbs above it, names no stream and no device.
// Windows trims trailing dots and spaces, so a component of dots and spaces only may read as "." or "..":
// it climbs here when it holds two dots or more.
void CheckStaysBelowBase(std::wstring_view name) {
    FUZZ_CHECK(name.find(L':') == std::wstring_view::npos);
    int depth = 0;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        const std::wstring_view part = name.substr(start, end - start);
        if (part.find_first_not_of(L". ") != std::wstring_view::npos) {
            FUZZ_CHECK(!IsWindowsDevice(part));
            ++depth;
        } else if (part.find(L'.') != part.rfind(L'.')) {
            --depth;
            FUZZ_CHECK(depth >= 0);
        }
        if (end == name.size())
            return;
        start = end + 1;
    }
}

void CheckSplit(std::wstring_view name) {
    const SplitEntry split = SplitEntryName(name);
    FUZZ_CHECK(std::wstring(split.folder) + std::wstring(split.file) == name);
    FUZZ_CHECK(split.folder.empty() || IsSeparator(split.folder.back()));
    FUZZ_CHECK(split.file.find_first_of(L"\\/") == std::wstring_view::npos);
}

}  // namespace
}  // namespace radu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    if (size >= 260)
        return 0;  // the reader refuses names of 260 bytes or more
    // The reader converts into a terminated buffer, so the name ends at the first NUL.
    const std::wstring stored = Utf16FromUtf8(data, size).c_str();

    const std::wstring name = SanitiseEntryName(stored);
    // Nothing left that would make the reader drop the base folder, and no rule left to apply.
    FUZZ_CHECK(name.empty() || !IsSeparator(name[0]));
    FUZZ_CHECK(name.size() < 2 || name[1] != L':');
    FUZZ_CHECK(SanitiseEntryName(name) == name);

    for (const std::wstring& n : {stored, name}) {
        if (IsSafeEntryName(n) && !IsAbsoluteEntryName(n))
            CheckStaysBelowBase(n);
        CheckSplit(n);
    }
    return 0;
}
