// Part of the zip reader (zip_archive.cpp): the folders and files an extraction makes below its base
// folder, never reached through a link. The install folder can be one an ordinary program of the user
// can write (a custom folder), and the extractor runs as administrator: a symbolic link, junction or mount
// point planted below it, or a second hard link to a file it will replace, would otherwise send the
// product's files, and the truncation of the files they replace, anywhere on the machine. The base folder
// itself is the user's choice and is taken as it is, links and all.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "common/unique_handle.h"

namespace radu {

class OutputTree {
  public:
    // Paths in the tree are `folder` + a relative path, by plain concatenation (`folder` ends with a
    // separator, or is empty for paths below the current folder).
    explicit OutputTree(std::wstring folder = {}) : base(std::move(folder)) {}

    // Makes base (one level) when missing, then each missing folder of `folders` (a relative path,
    // separators "\" or "/") below it. False when a folder on the way exists as a link, junction or mount
    // point: nothing is made in or below it. A folder that cannot be made is left to surface when a file
    // is created there.
    bool MakeFolders(std::wstring_view folders);

    // Creates the file base + `relative` for writing, not shared, with `attributes`; an existing plain
    // file of one name at exactly that path is replaced (a read-only, hidden or system one included, as an
    // earlier install may have left it), and one another process holds open (a running program) is renamed
    // aside and deleted at the next restart. Empty when it cannot be created, or when the file there, or a
    // folder on the way, is reached through a link: nothing is truncated then, and a file this call made
    // through a link on the way is deleted again.
    UniqueFileHandle CreateOutput(std::wstring_view relative, DWORD attributes);

  private:
    // The final path a file created at base + relative must have: the base folder's own final path
    // followed by the relative part as the system reads it; empty when the base cannot be opened.
    std::wstring ExpectedFinalPath(const std::wstring& path);

    std::wstring base;
    std::wstring baseFinal;  // the base folder's final path, taken once it exists
    std::wstring baseFull;   // base as the system reads it (GetFullPathNameW), without a final separator
    // Relative folders found plain or made here, so that every entry does not look again at the folders
    // of the entries before it. A folder swapped for a link later still shows in the final path of the
    // files created in it.
    std::unordered_set<std::wstring> plainFolders;
};

}  // namespace radu
