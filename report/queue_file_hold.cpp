// The queue file held open while the profile functions write it. They open it by its name, as
// administrator, in the temporary folder, which every program of the user can write: a link put there
// would have them rewrite whatever file it names. So the name is first opened here without following a
// link at it, the open file is checked to be a plain file at exactly that path, and it stays open, refusing
// deletion and renaming, so that nobody can swap another file in under the name while they write.
#include "report/queue_file_hold.h"

#include <windows.h>

#include <string>
#include <utility>

#include "common/plain_file.h"
#include "common/text.h"

namespace radu {

namespace {

// The profile functions open the file to read it (sharing reading, writing and deletion) and, to write
// it, recreate it with CREATE_ALWAYS sharing reading and writing only: a hold that asks for reading and
// shares reading and writing lets both in, and by sharing no deletion keeps the file from being deleted
// or renamed. (A hold asking for DELETE access, or sharing reading only, makes their writes fail.)
constexpr DWORD kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

UniqueFileHandle OpenExisting(const std::wstring& path) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ, kHoldShare, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// The path with its folders' long names, as the final path of a handle names them (the temporary
// folder's path can carry short 8.3 names).
std::wstring LongForm(const std::wstring& path) {
    const DWORD units = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (units == 0)
        return path;
    std::wstring longer(units, L'\0');
    const DWORD written = ::GetLongPathNameW(path.c_str(), longer.data(), units);
    if (written == 0 || written >= units)
        return path;
    longer.resize(written);
    return longer;
}

}  // namespace

QueueFileHold HoldQueueFile(const char* tempFolder, const std::string& queuePath) {
    QueueFileHold hold;
    std::wstring folder, path;
    // The 8-bit paths as the profile functions take them, through the ANSI code page.
    if (tempFolder == nullptr || WidenInto(tempFolder, CP_ACP, 0, folder) != Conversion::kDone ||
        WidenInto(queuePath, CP_ACP, 0, path) != Conversion::kDone || path.size() <= folder.size())
        return hold;
    const std::wstring expected = LongForm(folder) + path.substr(folder.size());
    // The folder too is held, sharing no deletion: it can then be neither renamed nor replaced by a
    // junction while the file is written.
    hold.folder.reset(::CreateFileW(folder.c_str(), GENERIC_READ, kHoldShare, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    UniqueFileHandle file = OpenExisting(path);
    if (!file && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
        // The first report: CREATE_NEW fails on a name that exists in any form, a link to a missing file
        // included, so it never creates a file elsewhere through a link at the name; a link on the way
        // shows in the final path, and then the new empty file goes again. It is not kept open, as it
        // holds DELETE access, which would shut the profile functions out: opened again, it is checked as
        // any queue file.
        UniqueFileHandle created(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, CREATE_NEW,
                                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!created)
            return hold;
        if (!IsPlainFileAt(created.get(), expected)) {
            DeleteByHandle(created.get(), 0);
            return hold;
        }
        created.reset();
        file = OpenExisting(path);
    }
    if (file && IsPlainFileAt(file.get(), expected))
        hold.file = std::move(file);
    return hold;
}

}  // namespace radu
