#include "extract/entry_meta.h"

namespace radu {

namespace {

constexpr uint32_t kFolder = 0x10, kArchive = 0x20, kHidden = 0x02, kReadOnly = 0x01, kSystem = 0x04;

uint32_t ReadLe16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
uint32_t ReadLe32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t EntryAttributes(uint16_t versionMadeBy, uint32_t x) {
    unsigned host = versionMadeBy >> 8;
    bool folder, archive, hidden, readOnly, system;
    if (host == 0 || host == 7 || host == 11 || host == 14) {  // MS-DOS, Macintosh, NTFS, VFAT
        readOnly = x & 0x01;
        hidden = x & 0x02;
        system = x & 0x04;
        folder = x & 0x10;
        archive = x & 0x20;
    } else {  // Unix mode in the high half: S_IFDIR and the owner's write bit
        folder = x & (1u << 30);
        readOnly = !(x & (1u << 23));
        archive = true;
        hidden = false;
        system = false;
    }
    return (folder ? kFolder : 0) | (archive ? kArchive : 0) | (hidden ? kHidden : 0) |
           (readOnly ? kReadOnly : 0) | (system ? kSystem : 0);
}

DosDateTime DecodeDosDateTime(uint16_t d, uint16_t t) {
    return {(d >> 9) + 1980, (d >> 5) & 15, d & 31, t >> 11, (t >> 5) & 63, (t & 31) * 2};
}

uint64_t UnixTimeToFileTime(int32_t u) {
    return static_cast<uint64_t>(static_cast<int64_t>(u) + 11644473600LL) * 10000000ULL;
}

ExtendedTimestamp ParseExtendedTimestamp(const unsigned char* extra, size_t length) {
    ExtendedTimestamp out;
    if (length <= 4)
        return out;
    size_t p = 0;
    while (p + 4 < length) {
        uint32_t size = ReadLe16(extra + p + 2);
        if (extra[p] == 'U' && extra[p + 1] == 'T') {
            size_t end = p + 4 + size;
            if (end > length)
                end = length;
            unsigned flags = extra[p + 4];
            size_t q = p + 5;
            bool* has[] = {&out.hasMtime, &out.hasAtime, &out.hasCtime};
            uint64_t* value[] = {&out.mtime, &out.atime, &out.ctime};
            for (int bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit)))
                    continue;
                if (q + 4 > end)
                    break;
                *value[bit] = UnixTimeToFileTime(static_cast<int32_t>(ReadLe32(extra + q)));
                *has[bit] = true;
                q += 4;
            }
            break;
        }
        p += 4 + size;
    }
    return out;
}

}  // namespace radu
