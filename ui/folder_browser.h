// The install folder's sources: the default folder and the shell's folder dialog.
#pragma once

#include <string>

namespace radu::ui {

// The Program Files folder as the shell reports it, followed by "\"; "\" alone when the shell cannot
// tell.
std::wstring DefaultInstallFolder();

enum class BrowseOutcome {
    kChosen,  // `chosen` holds the chosen folder's file-system path
    kNoPath,  // a folder was chosen but it has no file-system path
    kCancelled,
    kNotShown,  // the shell's allocator could not be had
};

// Shows the folder dialog (no owner, rooted at the desktop, file-system folders only) opened on `start`.
BrowseOutcome BrowseForFolder(const std::wstring& start, std::wstring& chosen);

}  // namespace radu::ui
