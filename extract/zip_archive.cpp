// The archive reader on minizip's unzip interface. minizip reads the central directory, the local headers
// and the entry data (inflating through zlib, checking the CRC-32); this file turns entries into files.
#include "extract/zip_archive.h"

#include <minizip/unzip.h>

#include <climits>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "extract/archive_file.h"
#include "extract/entry_meta.h"
#include "extract/entry_name.h"
#include "extract/output_tree.h"

namespace radu {

namespace {

// minizip's archive handle. Its traits stay here, with the one file that includes minizip, so that
// common/ (shared by programs that never read an archive) does not depend on the library.
struct UnzFileTraits {
    using Handle = unzFile;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { unzClose(h); }
};
using UniqueUnzFile = UniqueHandle<UnzFileTraits>;

constexpr int kNameBytes = 260;        // name buffer for the central record
constexpr size_t kBufferSize = 16384;  // one buffer for every file entry's data
constexpr uint32_t kFlagEncrypted = 0x0001;

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

FILETIME ToFileTime(uint64_t ticks) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

// The DOS date and time are the local time of the machine that made the archive; taken here as local
// time of this machine and turned into UTC.
FILETIME DosTimeToUtc(uint32_t dosDate) {
    DosDateTime t = DecodeDosDateTime(static_cast<uint16_t>(dosDate >> 16), static_cast<uint16_t>(dosDate));
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    FILETIME local = {}, utc = {};
    if (!SystemTimeToFileTime(&st, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return FILETIME{};
    return utc;
}

// An archive without entries is its end record alone, possibly with a comment. minizip takes an end record
// found at offset 0 for no record at all, so such an archive is recognised here.
bool IsEmptyHandle(HANDLE file) {
    LARGE_INTEGER size, start = {};
    if (!file || file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size) || size.QuadPart < 22 ||
        size.QuadPart > 22 + 0xFFFF || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    unsigned char r[22];
    DWORD got = 0;
    if (!ReadFile(file, r, sizeof r, &got, nullptr) || got != sizeof r)
        return false;
    static const unsigned char kEndRecord[20] = {'P', 'K', 5, 6};  // then disks, counts, size, offset: 0
    for (int i = 0; i < 20; ++i) {
        if (r[i] != kEndRecord[i])
            return false;
    }
    return 22 + (r[20] | (r[21] << 8)) == size.QuadPart;
}

}  // namespace

// What the reader keeps of one entry beyond its ZipEntry.
struct EntryFacts {
    uint32_t flags = 0;
    uint32_t nameBytes = 0;  // length of the raw name in the archive
};

struct ZipArchive {
    UniqueUnzFile file;
    bool entryOpen = false;
    uint64_t count = 0;
    int64_t current = 0;  // entry the reader stands on; -1 when unknown
    wchar_t baseDir[kZipPathUnits] = {};
    OutputTree output;  // below baseDir
    int cachedIndex = -1;
    ZipEntry cached;
    EntryFacts cachedFacts;
    std::unique_ptr<char[]> buffer;

    void CloseEntry() {
        if (entryOpen && file)
            unzCloseCurrentFile(file.get());
        entryOpen = false;
    }
    bool InRange(int index) const { return index >= 0 && static_cast<uint64_t>(index) < count; }
    ZipResult Position(int index);
    ZipResult ReadEntry(int index, ZipEntry* entry, EntryFacts* facts);
    ZipResult Fetch(int index, ZipEntry* entry, EntryFacts* facts);
    ZipResult WriteEntryFile(const ZipEntry& entry, const EntryFacts& facts, OutputTree& tree,
                             std::wstring_view relative);
    ZipResult CopyData(const ZipEntry& entry, HANDLE out);
};

// Moves the reader to entry index: back to the first entry when it lies behind, then forward one entry at
// a time, so that a walk in index order moves one step per entry.
ZipResult ZipArchive::Position(int index) {
    if (current < 0 || index < current) {
        current = -1;
        if (unzGoToFirstFile(file.get()) != UNZ_OK)
            return ZR_HEADER_MISMATCH;
        current = 0;
    }
    while (current < index) {
        if (unzGoToNextFile(file.get()) != UNZ_OK) {
            current = -1;
            return ZR_HEADER_MISMATCH;
        }
        ++current;
    }
    return ZR_OK;
}

// Reads the entry the reader stands on: central record, local header check, local extra field.
ZipResult ZipArchive::ReadEntry(int index, ZipEntry* entry, EntryFacts* facts) {
    unz_file_info64 info;
    char rawName[kNameBytes];
    if (unzGetCurrentFileInfo64(file.get(), &info, rawName, sizeof rawName, nullptr, 0, nullptr, 0) != UNZ_OK)
        return ZR_HEADER_MISMATCH;
    // Only stored and deflated data can be read. minizip compares the local header with the central
    // record (signature, method, name length, and CRC and sizes unless a data descriptor follows).
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED)
        return ZR_HEADER_MISMATCH;
    if (unzOpenCurrentFile2(file.get(), nullptr, nullptr, 1) != UNZ_OK)
        return ZR_HEADER_MISMATCH;
    entryOpen = true;
    std::vector<unsigned char> extra;
    int extraSize = unzGetLocalExtrafield(file.get(), nullptr, 0);
    if (extraSize < 0) {
        CloseEntry();
        return ZR_EXTRA_UNREADABLE;
    }
    if (extraSize > 0) {
        extra.resize(extraSize);
        if (unzGetLocalExtrafield(file.get(), extra.data(), extraSize) != extraSize) {
            CloseEntry();
            return ZR_EXTRA_UNREADABLE;
        }
    }
    CloseEntry();

    *entry = ZipEntry{};
    entry->index = index;
    int nameBytes = info.size_filename < kNameBytes ? static_cast<int>(info.size_filename) : kNameBytes;
    wchar_t wide[kZipPathUnits] = {};
    int units = nameBytes > 0 ? MultiByteToWideChar(CP_UTF8, 0, rawName, nameBytes, wide, kZipPathUnits) : 0;
    if (units <= 0)
        units = 0;
    if (units >= kZipPathUnits)
        units = kZipPathUnits - 1;
    wide[units] = L'\0';
    std::wstring name = SanitiseEntryName(wide);
    std::wcsncpy(entry->name, name.c_str(), kZipPathUnits - 1);

    entry->attr = EntryAttributes(static_cast<uint16_t>(info.version), info.external_fa);
    // A stored name ending in a separator names a folder whatever its attributes say: jar and other
    // archivers write folder entries with DOS attributes 0 or a Unix mode without the directory bit. The
    // stored name decides, as the sanitised one loses the separator when it comes out empty ("/",
    // "a/../"); a name longer than the buffer is refused by unzipItem and judged by nothing here.
    if (info.size_filename > 0 && info.size_filename < kNameBytes &&
        IsSeparator(rawName[info.size_filename - 1]))
        entry->attr |= FILE_ATTRIBUTE_DIRECTORY;
    entry->compressedSize = static_cast<int32_t>(info.compressed_size);
    entry->uncompressedSize = static_cast<int32_t>(info.uncompressed_size);
    FILETIME dos = DosTimeToUtc(info.dosDate);
    entry->atime = entry->ctime = entry->mtime = dos;
    ExtendedTimestamp ut = ParseExtendedTimestamp(extra.data(), extra.size());
    if (ut.hasMtime)
        entry->mtime = ToFileTime(ut.mtime);
    if (ut.hasAtime)
        entry->atime = ToFileTime(ut.atime);
    if (ut.hasCtime)
        entry->ctime = ToFileTime(ut.ctime);

    facts->flags = info.flag;
    facts->nameBytes = info.size_filename;
    return ZR_OK;
}

// Positions the reader on index and gives its entry, from the cache when it is the cached one.
ZipResult ZipArchive::Fetch(int index, ZipEntry* entry, EntryFacts* facts) {
    ZipResult r = Position(index);
    if (r != ZR_OK)
        return r;
    if (index == cachedIndex) {
        *entry = cached;
        *facts = cachedFacts;
        return ZR_OK;
    }
    r = ReadEntry(index, entry, facts);
    if (r != ZR_OK)
        return r;
    cachedIndex = index;
    cached = *entry;
    cachedFacts = *facts;
    return ZR_OK;
}

// Copies the open entry's data into out and stamps the stored times once the end of the entry is reached.
ZipResult ZipArchive::CopyData(const ZipEntry& entry, HANDLE out) {
    for (;;) {
        int n = unzReadCurrentFile(file.get(), buffer.get(), kBufferSize);
        if (n < 0)
            return ZR_DATA_FAILED;
        if (n > 0) {
            DWORD written = 0;
            if (!::WriteFile(out, buffer.get(), n, &written, nullptr) || written != static_cast<DWORD>(n))
                return ZR_WRITE_FAILED;
        }
        // The end of the entry is known only from a read that delivered data: an entry of no bytes never
        // signals it.
        if (n > 0 && unzeof(file.get()) == 1) {
            SetFileTime(out, &entry.ctime, &entry.atime, &entry.mtime);
            return ZR_OK;
        }
        if (n == 0)
            return ZR_DATA_FAILED;
    }
}

ZipResult ZipArchive::WriteEntryFile(const ZipEntry& entry, const EntryFacts& facts, OutputTree& tree,
                                     std::wstring_view relative) {
    UniqueFileHandle out = tree.CreateOutput(relative, entry.attr);
    if (!out)
        return ZR_OPEN_FAILED;
    if (unzOpenCurrentFile(file.get()) != UNZ_OK)
        return ZR_DATA_FAILED;
    entryOpen = true;
    if (!buffer)
        buffer.reset(new (std::nothrow) char[kBufferSize]);

    ZipResult result = ZR_DATA_FAILED;
    if (facts.flags & kFlagEncrypted) {
        // No password is ever supplied, so the encryption check of the first read cannot pass.
        result = ZR_ENCRYPTED;
    } else if (buffer) {
        result = CopyData(entry, out.get());
    }
    // A complete entry whose data does not match its CRC-32 is a data failure; what was written stays.
    int closed = unzCloseCurrentFile(file.get());
    entryOpen = false;
    if (result == ZR_OK && closed != UNZ_OK)
        result = ZR_DATA_FAILED;
    return result;
}

namespace {

bool IsEmptyArchive(const ArchiveSource& source) {
    if (!source.path)
        return IsEmptyHandle(source.handle);
    UniqueFileHandle file(
        CreateFileW(source.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return IsEmptyHandle(file.get());
}

ZipArchive* OpenSource(const ArchiveSource& source, ZipResult* result) {
    if (result)
        *result = ZR_OPEN_FAILED;
    zlib_filefunc64_def io;
    FillArchiveFileFunctions(&io);
    UniqueUnzFile file(unzOpen2_64(&source, &io));
    unz_global_info64 global = {};
    if (file ? unzGetGlobalInfo64(file.get(), &global) != UNZ_OK : !IsEmptyArchive(source))
        return nullptr;
    auto* archive = new (std::nothrow) ZipArchive;
    if (!archive)
        return nullptr;
    archive->file = std::move(file);  // none for an archive without entries
    archive->count = global.number_entry;
    DWORD n = GetCurrentDirectoryW(kZipPathUnits, archive->baseDir);
    if (n == 0 || n >= kZipPathUnits - 1) {
        archive->baseDir[0] = L'\0';
    } else if (!IsSeparator(archive->baseDir[n - 1])) {
        archive->baseDir[n] = L'\\';
        archive->baseDir[n + 1] = L'\0';
    }
    archive->output = OutputTree(archive->baseDir);
    if (result)
        *result = ZR_OK;
    return archive;
}

}  // namespace

ZipArchive* openArchive(const wchar_t* path, ZipResult* result) {
    if (!path) {
        if (result)
            *result = ZR_OPEN_FAILED;
        return nullptr;
    }
    ArchiveSource source;
    source.path = path;
    return OpenSource(source, result);
}

ZipArchive* openArchiveFile(HANDLE file, ZipResult* result) {
    ArchiveSource source;
    source.handle = file;
    return OpenSource(source, result);
}

ZipResult setBaseDir(ZipArchive* archive, const wchar_t* folder) {
    if (!archive || !folder || !*folder)
        return ZR_BAD_ARGUMENT;
    size_t len = std::wcslen(folder);
    bool needsSeparator = !IsSeparator(folder[len - 1]);
    if (len + (needsSeparator ? 1 : 0) >= kZipPathUnits)
        return ZR_BAD_ARGUMENT;
    std::wcscpy(archive->baseDir, folder);
    if (needsSeparator)
        std::wcscat(archive->baseDir, L"\\");
    archive->output = OutputTree(archive->baseDir);
    return ZR_OK;
}

ZipResult getItem(ZipArchive* archive, int index, ZipEntry* entry) {
    if (!archive || !entry || index < -1)
        return ZR_BAD_ARGUMENT;
    if (index != -1 && !archive->InRange(index))
        return ZR_BAD_ARGUMENT;
    archive->CloseEntry();
    if (index != -1 && index == archive->cachedIndex) {
        *entry = archive->cached;
        return ZR_OK;
    }
    if (index == -1) {
        // Entry numbers are 32-bit: an archive claiming more entries cannot be walked.
        if (archive->count > static_cast<uint64_t>(INT_MAX))
            return ZR_BAD_ARGUMENT;
        *entry = ZipEntry{};
        entry->index = static_cast<int32_t>(archive->count);
        return ZR_OK;
    }
    EntryFacts facts;
    return archive->Fetch(index, entry, &facts);
}

ZipResult unzipItem(ZipArchive* archive, int index, const wchar_t* name) {
    if (!archive || !name)
        return ZR_BAD_ARGUMENT;
    archive->CloseEntry();
    if (!archive->InRange(index))
        return ZR_BAD_ARGUMENT;
    ZipEntry entry;
    EntryFacts facts;
    ZipResult r = archive->Fetch(index, &entry, &facts);
    if (r != ZR_OK)
        return r;

    // Nothing is created for a name that could leave the destination or does not fit a path.
    std::wstring_view nameView(name);
    if (facts.nameBytes >= kNameBytes || !IsSafeEntryName(nameView))
        return ZR_OPEN_FAILED;
    const bool absolute = IsAbsoluteEntryName(nameView);
    std::wstring path = (absolute ? std::wstring() : std::wstring(archive->baseDir)) + name;
    if (path.size() >= kZipPathUnits)
        return ZR_OPEN_FAILED;

    // A name used as it stands (one that begins with a separator: a ':' is refused above) is a tree of its
    // own, below the root of the current drive.
    OutputTree rooted(L"\\");
    OutputTree* tree = absolute ? &rooted : &archive->output;
    const std::wstring_view relative = absolute ? nameView.substr(1) : nameView;
    // A link, junction or mount point below the base fails the entry as a file that cannot be created.
    if (entry.attr & FILE_ATTRIBUTE_DIRECTORY)
        return tree->MakeFolders(relative) ? ZR_OK : ZR_OPEN_FAILED;
    if (!tree->MakeFolders(SplitEntryName(relative).folder))
        return ZR_OPEN_FAILED;
    return archive->WriteEntryFile(entry, facts, *tree, relative);
}

ZipResult closeArchive(ZipArchive* archive) {
    if (!archive)
        return ZR_BAD_ARGUMENT;
    archive->CloseEntry();
    delete archive;
    return ZR_OK;
}

bool ensureDirectory(const wchar_t* base, const wchar_t* relative) {
    return OutputTree(base ? base : L"").MakeFolders(relative ? relative : L"");
}

}  // namespace radu
