// Rules for the install folder text. The folder field is read into buffers of 260 UTF-16 units and the
// product's relative paths are appended to it without a separator, so the folder text must end with "\"
// and leave room for the longest relative path.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace radu::ui {

constexpr std::size_t kPathUnits = 260;           // path buffers, terminator included
constexpr std::size_t kMaxFolderTextUnits = 230;  // 230 + 29 ("VaruPhoneAx\VaruUnInstall.exe") = 259

bool FolderTextFits(std::wstring_view folder);

// folder + relative into `out` (room for `capacity` units, terminator included). False, with `out`
// empty, when the joined path would not fit; nothing is ever written past `capacity`.
bool JoinProductPath(std::wstring_view folder, std::wstring_view relative, wchar_t* out,
                     std::size_t capacity);

// The install folder the folder field's text stands for: an absolute folder path, a drive letter with
// its separator ("D:\Apps") or a UNC path ("\\server\share\Apps"), with "/" read as "\", blanks around
// it and repeated separators dropped, ending in exactly one "\". False for text that cannot be one:
// empty, relative ("Apps\", "\Apps", "D:Apps"), with a character no file name may hold (< > : " | ? *
// or a control character), or a name the system would change or read as a step (".", "..", a name that
// ends in a dot or a blank). The extraction, every registered path and the finish button use this text.
bool InstallFolderFromText(std::wstring_view text, std::wstring& folder);

// The text with every CR and LF taken out.
std::wstring WithoutLineBreaks(std::wstring_view text);

// `path` with "\" appended, unless it is empty or already ends with "\" (a drive root stays as it is).
std::wstring WithTrailingSeparator(std::wstring path);

// The folder dialog's starting point: `folder` less one trailing "\".
std::wstring WithoutTrailingSeparator(std::wstring folder);

}  // namespace radu::ui
