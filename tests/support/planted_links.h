// Links as a hostile program of the user would plant them where the installer writes. The tests run
// under Wine, whose CreateSymbolicLinkW reports success and makes nothing, whose RemoveDirectoryW and
// DeleteFileW cannot remove a link to a folder, and whose DeleteFileW on a link to a file deletes the
// link's target instead: links are made and removed by the system's own Unix tools, started as programs.
#pragma once

#include <string>

namespace radu::test {

enum class LinkKind { kSymbolic, kHard };

// Makes `link` a link to `target` (which need not exist for a symbolic link); true once it is there.
bool PlantLink(const std::wstring& link, const std::wstring& target, LinkKind kind = LinkKind::kSymbolic);
// Removes the link itself, never its target.
bool RemoveLink(const std::wstring& link);
// The path the system names for what `path` leads to (the target of a link, `path` itself otherwise), as
// "C:\..."; empty when it cannot be opened.
std::wstring FinalPath(const std::wstring& path);
// Whether the name is a symbolic link to a file or folder rather than a plain one. (Wine shows a link to
// nothing neither in listings nor to opens: remove such a link by its name.)
bool IsSymbolicLink(const std::wstring& path);

}  // namespace radu::test
