#include "extract/entry_name.h"

namespace radu {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

wchar_t Upper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Only dots and spaces, with at least two dots: the file system may read it as the parent folder once
// trailing dots and spaces are trimmed.
bool IsParentLike(std::wstring_view part) {
    int dots = 0;
    for (wchar_t c : part) {
        if (c == L'.')
            ++dots;
        else if (c != L' ')
            return false;
    }
    return dots >= 2;
}

bool IsDeviceName(std::wstring_view part) {
    // The device is named by what comes before the first dot, with trailing spaces ignored.
    std::wstring_view stem = part.substr(0, part.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.remove_suffix(1);
    auto is = [&](const wchar_t* word) {
        std::wstring_view w(word);
        if (stem.size() != w.size())
            return false;
        for (size_t i = 0; i < w.size(); ++i) {
            if (Upper(stem[i]) != w[i])
                return false;
        }
        return true;
    };
    if (is(L"CON") || is(L"PRN") || is(L"AUX") || is(L"NUL"))
        return true;
    if (stem.size() == 4 && stem[3] >= L'1' && stem[3] <= L'9') {
        std::wstring_view head = stem.substr(0, 3);
        auto headIs = [&](const wchar_t* word) {
            return Upper(head[0]) == word[0] && Upper(head[1]) == word[1] && Upper(head[2]) == word[2];
        };
        return headIs(L"COM") || headIs(L"LPT");
    }
    return false;
}

}  // namespace

std::wstring SanitiseEntryName(std::wstring_view name) {
    static const wchar_t* const kSteps[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    std::wstring s(name);
    for (;;) {
        if (s.size() >= 2 && s[0] != L'\0' && s[1] == L':') {
            s.erase(0, 2);
            continue;
        }
        if (!s.empty() && IsSeparator(s[0])) {
            s.erase(0, 1);
            continue;
        }
        bool dropped = false;
        for (const wchar_t* step : kSteps) {
            size_t at = s.find(step);
            if (at != std::wstring::npos) {
                s.erase(0, at + 4);
                dropped = true;
                break;
            }
        }
        if (!dropped)
            return s;
    }
}

bool IsSafeEntryName(std::wstring_view name) {
    if (name.find(L':') != std::wstring_view::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        std::wstring_view part = name.substr(start, end - start);
        if (IsParentLike(part) || IsDeviceName(part))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsAbsoluteEntryName(std::wstring_view name) {
    return (!name.empty() && IsSeparator(name[0])) || (name.size() >= 2 && name[1] == L':');
}

SplitEntry SplitEntryName(std::wstring_view name) {
    size_t cut = name.find_last_of(L"\\/");
    if (cut == std::wstring_view::npos)
        return {std::wstring_view(), name};
    return {name.substr(0, cut + 1), name.substr(cut + 1)};
}

}  // namespace radu
