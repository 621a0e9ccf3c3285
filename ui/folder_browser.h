// The install folder's sources: the default folder and the shell's folder dialog.
#pragma once

#include <windows.h>

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

// Shows the folder dialog (rooted at the desktop, file-system folders only) opened on `start`, modal to
// `owner`: the owner takes no input until the dialog is closed, so nothing of it (the install button
// among them) can be used meanwhile.
BrowseOutcome BrowseForFolder(HWND owner, const std::wstring& start, std::wstring& chosen);

}  // namespace radu::ui
