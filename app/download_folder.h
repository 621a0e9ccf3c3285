// The installer's own folder for its download: the package, its part files and the joining file, and the
// guard that keeps a second copy out. The installer runs as administrator, so none of these may live
// where an unelevated program of the same user can write, rename or plant a link (the user's temporary
// folder is such a place, and so is any folder below it: its parent is the user's). The folder stands
// below the Program Files folder, where only administrators may create anything, and is made with a
// DACL for SYSTEM and Administrators only, protected from what the parent would pass on. It is checked on
// every run before use; one found in any other state (another owner or DACL, a link or mount point, a
// file) is discarded and made anew.
#pragma once

#include <string>

namespace radu {

inline constexpr wchar_t kDownloadFolderName[] = L"RadurodiSetup";
// Owned by Administrators; SYSTEM and Administrators have full control of the folder and of everything
// made in it; nothing is inherited from above.
inline constexpr wchar_t kDownloadFolderSddl[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// The longest name kept in the folder ("VaruPhoneAx.zip_join"): the folder's path leaves room for it.
inline constexpr size_t kLongestDownloadName = 20;

// Makes the folder ready for use: keeps it when it is as this program makes it, makes it when it is
// missing, and discards and remakes one in any other state. Its path (ending with "\"), or empty when no
// such folder can be had: then nothing is to be written.
std::wstring PrepareDownloadFolder();

// The folder's path when it is there as this program makes it, for what only removes files from it;
// empty otherwise (then nothing of it is touched). The folder is neither made nor discarded.
std::wstring ExistingDownloadFolder();

// PrepareDownloadFolder for the folder `name` below `parent` (a path ending with "\"). Nothing on the way
// from the root to the folder may be a link or a mount point; the parent must be a folder where only
// administrators may create anything (not checked here).
std::wstring PrepareOwnFolder(const std::wstring& parent, const wchar_t* name);

}  // namespace radu
