#include "extract/entry_name.h"

#include "common/file_names.h"

namespace radu {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
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
