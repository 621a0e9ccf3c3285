// The product's shortcuts are written where ordinary programs of the user can write: the Start menu in
// the user's own profile, and on some systems the all-users desktop. The installer runs as administrator,
// so a link, junction or mount point a program of the user leaves at the folder's name, on the way to it,
// or at a link file's name would have it plant or overwrite files no ordinary program may touch (the
// all-users Startup folder, System32). So the folder is opened and checked to be the plain folder its path
// names, and held, sharing no deletion, while each link's bytes are written through a handle made and
// checked here.
#pragma once

#include <string>

#include "common/unique_handle.h"

namespace radu {

// The folder at `path` (no final separator), made first when `make` and it is missing (only its last
// level), held open so that it can be neither renamed nor replaced while it is held. Empty when it is not
// a folder, or its final path is not exactly its path: a link, junction or mount point at its name or on
// the way.
UniqueFileHandle HoldPlainFolder(const std::wstring& path, bool make);

// Writes `bytes` as the file `name` in the held folder at `folder` (no final separator): a new file is
// created where nothing has the name; an existing one is rewritten only when it is a plain file of one
// name at exactly that path. False, with nothing written anywhere else, in every other case.
bool WritePlainFileIn(const std::wstring& folder, const std::wstring& name, const std::string& bytes);

}  // namespace radu
