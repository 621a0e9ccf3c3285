// How a resource is split into segments and where their part files go.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace radu {

struct SegmentRange {
    uint32_t first;  // offset of the first byte
    uint32_t end;    // one past the last byte
};

// 1 unless several segments are allowed and the server serves ranges; then 1 up to 5 MiB, 2 up to 50 MiB,
// 3 up to 100 MiB, 4 above.
int SegmentCount(uint64_t totalSize, bool multiSegment, bool rangesSupported);

// count equal ranges covering [0, totalSize); the last one takes the remainder.
std::vector<SegmentRange> PlanSegments(uint64_t totalSize, int count);

// "<target>_<i>" for ranged segments, "<target>_tmp" for the one segment of a server without ranges.
std::wstring PartFileName(const std::wstring& target, int index, bool ranged);

// "<target>_join": the parts are joined under this name, which becomes the target only once the whole
// resource is in it (and verified), so that a target that exists is never a cut-off one.
std::wstring JoiningFileName(const std::wstring& target);

// Most segments a download has: part files "<target>_0" to "<target>_3".
constexpr int kMaxSegments = 4;

// "<target>_source": the record of which package the part files beside it hold.
std::wstring PartRecordName(const std::wstring& target);

// What a part record says about the package, from the final address and the size probe: its size, the
// probe's ETag when it had one, and its digest (case folded), or the address itself when it has none.
// Part files are resumed only when the record beside them says exactly this.
std::wstring PartIdentity(const std::wstring& address, const std::wstring& expectedDigest, uint64_t size,
                          const std::string& tag);

}  // namespace radu
