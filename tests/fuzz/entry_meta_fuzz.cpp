// What the stored numbers and the local extra field of an entry say: attributes, DOS time, "UT" times.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "extract/entry_meta.h"
#include "tests/fuzz/fuzz_check.h"

namespace radu {
namespace {

// The first "UT" block's times. Blocks are an id of two bytes, a little-endian size of two and that many
// bytes of data; a UT block's data is a flags byte, then four bytes per flag set (last write, last
// access, creation). A time counts when its four bytes lie inside both the block and the field.
ExtendedTimestamp ExpectedTimestamp(const unsigned char* extra, size_t length) {
    ExtendedTimestamp want;
    auto blockEnd = [&](size_t at) { return at + 4 + (extra[at + 2] | extra[at + 3] << 8); };
    size_t at = 0;
    while (at + 4 <= length && !(extra[at] == 'U' && extra[at + 1] == 'T'))
        at = blockEnd(at);
    if (at + 5 > length)
        return want;
    const size_t end = std::min(length, blockEnd(at));
    bool* has[] = {&want.hasMtime, &want.hasAtime, &want.hasCtime};
    uint64_t* value[] = {&want.mtime, &want.atime, &want.ctime};
    size_t q = at + 5;
    for (int bit = 0; bit < 3; ++bit) {
        if (!(extra[at + 4] & (1 << bit)))
            continue;
        if (q + 4 <= end) {
            uint32_t u = 0;
            for (int i = 3; i >= 0; --i)
                u = u << 8 | extra[q + i];
            *has[bit] = true;
            *value[bit] = UnixTimeToFileTime(static_cast<int32_t>(u));
        }
        q += 4;
    }
    return want;
}

}  // namespace
}  // namespace radu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    FuzzedDataProvider in(data, size);
    const uint16_t versionMadeBy = in.ConsumeIntegral<uint16_t>();
    const uint32_t external = in.ConsumeIntegral<uint32_t>();
    const uint16_t dosDate = in.ConsumeIntegral<uint16_t>(), dosTime = in.ConsumeIntegral<uint16_t>();

    // Folder, archive, system, hidden, read-only and nothing else.
    FUZZ_CHECK((EntryAttributes(versionMadeBy, external) & ~0x37u) == 0);

    const DosDateTime t = DecodeDosDateTime(dosDate, dosTime);
    FUZZ_CHECK(t.year >= 1980 && t.year <= 1980 + 127 && t.month >= 0 && t.month <= 15);
    FUZZ_CHECK(t.day >= 0 && t.day <= 31 && t.hour >= 0 && t.hour <= 31 && t.minute >= 0 && t.minute <= 63);
    FUZZ_CHECK(t.second >= 0 && t.second <= 62 && t.second % 2 == 0);

    // The field in a heap block of exactly its size, so that any read past it is caught.
    const std::vector<uint8_t> rest = in.ConsumeRemainingBytes<uint8_t>();
    std::unique_ptr<unsigned char[]> extra(new unsigned char[rest.size()]);
    std::copy(rest.begin(), rest.end(), extra.get());
    const ExtendedTimestamp got = ParseExtendedTimestamp(extra.get(), rest.size());
    const ExtendedTimestamp want = ExpectedTimestamp(extra.get(), rest.size());
    FUZZ_CHECK(got.hasMtime == want.hasMtime && got.hasAtime == want.hasAtime &&
               got.hasCtime == want.hasCtime);
    FUZZ_CHECK(got.mtime == want.mtime && got.atime == want.atime && got.ctime == want.ctime);
    return 0;
}
