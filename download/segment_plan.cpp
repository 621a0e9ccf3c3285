#include "download/segment_plan.h"

namespace radu {

int SegmentCount(uint64_t totalSize, bool multiSegment, bool rangesSupported) {
    if (!multiSegment || !rangesSupported)
        return 1;
    const uint64_t MiB = 1024 * 1024;
    if (totalSize <= 5 * MiB)
        return 1;
    if (totalSize <= 50 * MiB)
        return 2;
    if (totalSize <= 100 * MiB)
        return 3;
    return 4;
}

std::vector<SegmentRange> PlanSegments(uint64_t totalSize, int count) {
    std::vector<SegmentRange> plan;
    uint32_t length = static_cast<uint32_t>(totalSize / static_cast<uint64_t>(count));
    for (int i = 0; i < count; ++i) {
        uint32_t first = static_cast<uint32_t>(i) * length;
        uint32_t end = i == count - 1 ? static_cast<uint32_t>(totalSize) : first + length;
        plan.push_back({first, end});
    }
    return plan;
}

std::wstring PartFileName(const std::wstring& target, int index, bool ranged) {
    return ranged ? target + L"_" + std::to_wstring(index) : target + L"_tmp";
}

std::wstring JoiningFileName(const std::wstring& target) {
    return target + L"_join";
}

}  // namespace radu
