#include "download/segment_plan.h"

#include "common/plain_text.h"

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

std::wstring PartRecordName(const std::wstring& target) {
    return target + L"_source";
}

std::wstring PartIdentity(const std::wstring& address, const std::wstring& expectedDigest, uint64_t size,
                          const std::string& tag) {
    // One field a line; a field is cut at a line break, so that no value can pass for another field.
    auto line = [](std::wstring_view name, std::wstring_view value) {
        return std::wstring(name) + L"=" + std::wstring(value.substr(0, value.find_first_of(L"\r\n"))) +
               L"\n";
    };
    std::wstring identity = line(L"size", std::to_wstring(size));
    if (!tag.empty())
        identity += line(L"etag", std::wstring(tag.begin(), tag.end()));  // header bytes, one a unit
    if (!expectedDigest.empty()) {
        std::wstring folded;
        for (wchar_t c : expectedDigest)
            folded += AsciiLower(c);
        identity += line(L"md5", folded);
    } else {
        identity += line(L"address", address);
    }
    return identity;
}

}  // namespace radu
