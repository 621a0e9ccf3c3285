// The archive file as minizip reads it: wide-character paths, read access with other readers allowed, and
// a read buffer, so that the many small reads of header fields do not each cost a system call.
#pragma once

#include <windows.h>
#include <minizip/ioapi.h>

namespace radu {

// What unzOpen2_64 takes as its file name: a path, or (path null) a file already open, whose handle is
// duplicated, so that the archive reads the very file the caller holds.
struct ArchiveSource {
    const wchar_t* path = nullptr;
    HANDLE handle = nullptr;
};

// Fills functions for unzOpen2_64; the file name passed there is a const ArchiveSource*.
void FillArchiveFileFunctions(zlib_filefunc64_def* functions);

}  // namespace radu
