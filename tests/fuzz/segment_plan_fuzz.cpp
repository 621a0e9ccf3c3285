// Segment plans for every size a download can have, the Range lines of their segments and the request
// texts for any host and path without line breaks.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "download/request_text.h"
#include "download/segment_plan.h"
#include "tests/fuzz/fuzz_check.h"

namespace radu {
namespace {

// UTF-16 units, as Windows holds them, two bytes each (low first), with CR and LF left out.
std::wstring TextWithoutLineBreaks(FuzzedDataProvider& in) {
    const std::string bytes = in.ConsumeRandomLengthString(128);
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const wchar_t unit =
            static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
        if (unit != L'\r' && unit != L'\n')
            text += unit;
    }
    return text;
}

// One text of lines: the request line and Host line first, every line ended by CRLF, no other CR or LF,
// and the only empty line is the last.
void CheckRequest(const std::wstring& text, const std::wstring& host, const std::wstring& path) {
    const std::wstring head = L"GET " + path + L" HTTP/1.1\r\nHost: " + host + L"\r\n";
    FUZZ_CHECK(text.compare(0, head.size(), head) == 0);
    FUZZ_CHECK(text.size() >= 4 && text.find(L"\r\n\r\n") == text.size() - 4);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r')
            FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == L'\n');
        if (text[i] == L'\n')
            FUZZ_CHECK(i > 0 && text[i - 1] == L'\r');
    }
}

// Lines sent one per send: each is exactly one line.
std::wstring Join(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) {
        FUZZ_CHECK(line.size() >= 2 && line.find_first_of(L"\r\n") == line.size() - 2);
        text += line;
    }
    return text;
}

void CheckRangeLine(const std::wstring& host, const std::wstring& path, uint32_t first, uint32_t last) {
    const std::wstring text = Join(RangeRequestLines(host, path, first, last));
    CheckRequest(text, host, path);
    const std::wstring want = L"\r\nRange: bytes=" + std::to_wstring(static_cast<int32_t>(first)) + L"-" +
                              std::to_wstring(static_cast<int32_t>(last)) + L"\r\n";
    FUZZ_CHECK(text.find(want) != std::wstring::npos);
}

// count ranges of equal length, the last taking the remainder, one after another over [0, size).
void CheckPlan(uint32_t size, int count) {
    const std::vector<SegmentRange> plan = PlanSegments(size, count);
    FUZZ_CHECK(plan.size() == static_cast<size_t>(count));
    const uint32_t length = size / static_cast<uint32_t>(count);
    uint32_t next = 0;
    for (const SegmentRange& r : plan) {
        FUZZ_CHECK(r.first == next && r.first <= r.end);
        FUZZ_CHECK(&r == &plan.back() || r.end - r.first == length);
        next = r.end;
    }
    FUZZ_CHECK(next == size);
}

}  // namespace
}  // namespace radu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace radu;
    FuzzedDataProvider in(data, size);
    const uint32_t total = in.ConsumeIntegralInRange<uint32_t>(0, 0x7FFFFFFF);
    const bool multi = in.ConsumeBool(), ranges = in.ConsumeBool();
    const int anyCount = in.ConsumeIntegralInRange(1, 4);
    const uint32_t first = in.ConsumeIntegral<uint32_t>(), last = in.ConsumeIntegral<uint32_t>();
    const std::wstring host = TextWithoutLineBreaks(in);
    const std::wstring path = TextWithoutLineBreaks(in);

    const int count = SegmentCount(total, multi, ranges);
    FUZZ_CHECK(count >= 1 && count <= 4 && (count == 1 || (multi && ranges)));
    CheckPlan(total, count);
    CheckPlan(total, anyCount);

    // The engine asks each segment's range through its end offset.
    for (const SegmentRange& r : PlanSegments(total, count))
        CheckRangeLine(host, path, r.first, r.end);
    CheckRangeLine(host, path, first, last);
    CheckRequest(RedirectProbeText(host, path), host, path);
    CheckRequest(Join(SizeProbeLines(host, path)), host, path);
    CheckRequest(Join(SizeRequestLines(host, path)), host, path);
    CheckRequest(Join(WholeRequestLines(host, path)), host, path);
    return 0;
}
