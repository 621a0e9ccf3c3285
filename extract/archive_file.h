// The archive file as minizip reads it: wide-character paths, read access with other readers allowed, and
// a read buffer, so that the many small reads of header fields do not each cost a system call.
#pragma once

#include <minizip/ioapi.h>

namespace radu {

// Fills functions for unzOpen2_64; the file name passed there is a const wchar_t*.
void FillArchiveFileFunctions(zlib_filefunc64_def* functions);

}  // namespace radu
