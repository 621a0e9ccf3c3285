// What an entry's central record and local extra field say about the file: its Windows attributes and
// its times, as pure functions of the stored numbers and bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace radu {

// Windows attributes (folder, archive, hidden, read-only, system) from the host byte of the version-made-by
// field and the external attributes. DOS-like hosts keep DOS bits; other hosts keep Unix mode bits.
uint32_t EntryAttributes(uint16_t versionMadeBy, uint32_t externalAttributes);

struct DosDateTime {
    int year, month, day, hour, minute, second;
};
DosDateTime DecodeDosDateTime(uint16_t date, uint16_t time);

// Seconds since 1970 to the 100-ns ticks since 1601 of a FILETIME.
uint64_t UnixTimeToFileTime(int32_t unixTime);

// The extended-timestamp ("UT") block of a local extra field: which times it holds, as FILETIME ticks.
struct ExtendedTimestamp {
    bool hasMtime = false, hasAtime = false, hasCtime = false;
    uint64_t mtime = 0, atime = 0, ctime = 0;
};
// Walks the blocks of the extra field up to the first "UT" block. A time whose flag is set but whose bytes
// lie beyond the block or the field is left out.
ExtendedTimestamp ParseExtendedTimestamp(const unsigned char* extra, size_t length);

}  // namespace radu
