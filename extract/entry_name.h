// Entry names as pure text: the sanitising rules applied to names read from an archive, the checks that
// keep an entry inside the destination folder, and the split into folder and file parts.
#pragma once

#include <string>
#include <string_view>

namespace radu {

// Strips drive prefixes, leading separators and everything up to a "..\"-style step, repeating until no
// rule applies.
std::wstring SanitiseEntryName(std::wstring_view name);

// False for a name that could reach outside the destination or name something other than a plain file:
// a ".." component (or one of dots and spaces only with two dots or more), a ':' anywhere, or a component
// that is a device name (see common/file_names.h).
bool IsSafeEntryName(std::wstring_view name);

// A name that begins with a separator or has ':' as its second character is used without the base folder.
bool IsAbsoluteEntryName(std::wstring_view name);

// Splits after the last '\' or '/': folder keeps its trailing separator and is empty when there is none.
struct SplitEntry {
    std::wstring_view folder;
    std::wstring_view file;
};
SplitEntry SplitEntryName(std::wstring_view name);

}  // namespace radu
