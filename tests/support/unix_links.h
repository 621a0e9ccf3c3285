// Links planted by a test under Wine, where a program of the same user would plant a symbolic link, a
// junction or a mount point on Windows. Wine 8's CreateSymbolicLinkW does nothing; a Unix symbolic link
// made by ln, which Wine starts as a Unix program, stands in. Every call Wine makes by name on such a
// link (open, delete, rename, remove a folder) acts on the link's target, so a test removes its links
// with RemoveLink, never with DeleteFileW or RemoveTree.
#pragma once

#include <string>

namespace radu::test {

// Makes `link` a symbolic link to `target` (Windows paths; the target may be a file or a folder). True
// when the link is there afterwards.
bool PlantLink(const std::wstring& link, const std::wstring& target);
// Removes the link itself. True when nothing is left at `link`.
bool RemoveLink(const std::wstring& link);
// The path the system names for what `path` leads to (the target of a link, `path` itself otherwise),
// without the "\\?\" prefix; empty when it cannot be opened.
std::wstring FinalPath(const std::wstring& path);

}  // namespace radu::test
