// A small zip reader with a by-index interface: it turns the entries of an archive into files and folders
// below a base folder. Entry names are UTF-8 in the archive and UTF-16 here.
#pragma once

#include <windows.h>

#include <cstdint>

namespace radu {

// Result codes of the reader. The user sees them in decimal in the installer's messages.
enum ZipResult : int32_t {
    ZR_OK = 0,
    ZR_OPEN_FAILED = 0x200,       // archive not opened or not a zip; output not created; name refused
    ZR_WRITE_FAILED = 0x400,      // writing an output file failed
    ZR_HEADER_MISMATCH = 0x700,   // local header disagrees with the central record, or unknown method
    ZR_EXTRA_UNREADABLE = 0x800,  // the local extra field could not be read in full
    ZR_ENCRYPTED = 0x1000,        // encrypted entry: no password is ever supplied
    ZR_BAD_ARGUMENT = 0x10000,    // no archive, or an index out of range
    ZR_DATA_FAILED = 0x5000000,   // reading, inflating or checking the entry data failed
};

constexpr int kZipPathUnits = 260;  // buffers for names and paths, terminator included

struct ZipEntry {
    int32_t index = 0;                 // entry number; for the query index -1 the number of entries
    wchar_t name[kZipPathUnits] = {};  // sanitised relative path, separators as stored
    uint32_t attr = 0;                 // FILE_ATTRIBUTE_* bits
    FILETIME atime = {};               // UTC
    FILETIME ctime = {};
    FILETIME mtime = {};
    int32_t compressedSize = 0;
    int32_t uncompressedSize = 0;
};

struct ZipArchive;  // one per open archive

// Opens an existing archive for reading (other readers allowed) and reads its central directory. Returns
// nullptr when the file cannot be opened or is not a zip archive; *result (if given) then holds 512.
ZipArchive* openArchive(const wchar_t* path, ZipResult* result = nullptr);
// The same for a file already open for reading: the archive reads it through a duplicate of the handle.
ZipArchive* openArchiveFile(HANDLE file, ZipResult* result = nullptr);

// Sets the folder entries are written below; a separator is appended unless present. Before this call it
// is the process's current folder. A folder that would not leave room for a name is refused (65536).
ZipResult setBaseDir(ZipArchive* archive, const wchar_t* folder);

// Fills entry for index; index -1 gives the number of entries in entry.index.
ZipResult getItem(ZipArchive* archive, int index, ZipEntry* entry);

// Writes entry index to the base folder joined with name (the name getItem returned). A file or folder
// that exists as a link, junction or mount point below the base folder, on the way or at the name, or an
// existing file with a second hard link, fails the entry with 512, and nothing is written through it.
ZipResult unzipItem(ZipArchive* archive, int index, const wchar_t* name);

// Closes any open entry and the archive and frees the archive.
ZipResult closeArchive(ZipArchive* archive);

// Makes base (one level) when given and missing, then every folder of relative below it. Failures are
// left to surface when a file is created there. False when a folder of relative exists as a link,
// junction or mount point: nothing is made in or below it.
bool ensureDirectory(const wchar_t* base, const wchar_t* relative);

}  // namespace radu
