// The download engine's pure pieces: address decomposition, response headers, request texts, segment
// plans and the rate meter.
#include <gtest/gtest.h>

#include "download/http_header.h"
#include "download/rate_meter.h"
#include "download/request_text.h"
#include "download/segment_plan.h"
#include "download/url.h"

namespace radu {
namespace {

TEST(ParseUrl, SplitsHostPathFileAndPort) {
    UrlParts p = ParseUrl(L"http://host/dir/file.zip?x=1");
    EXPECT_EQ(p.host, L"host");
    EXPECT_EQ(p.port, 80);
    EXPECT_EQ(p.path, L"/dir/file.zip?x=1");
    EXPECT_EQ(p.fileName, L"file.zip");

    p = ParseUrl(L"http://host:8080/a/b");
    EXPECT_EQ(p.host, L"host");
    EXPECT_EQ(p.port, 8080);
    EXPECT_EQ(p.path, L"/a/b");
    EXPECT_EQ(p.fileName, L"b");

    p = ParseUrl(L"  \thttp://h/p.zip\r\n ");  // blanks and a trailing CR LF around the address
    EXPECT_EQ(p.host, L"h");
    EXPECT_EQ(p.path, L"/p.zip");
    EXPECT_EQ(p.fileName, L"p.zip");
}

TEST(ParseUrl, OddAddresses) {
    EXPECT_TRUE(ParseUrl(L"http://host").host.empty());   // nothing after the host: unusable
    EXPECT_EQ(ParseUrl(L"http://host:x/a").port, 0);      // non-numeric port
    EXPECT_EQ(ParseUrl(L"http://a:1:2/f").host, L"a:1");  // the last colon separates the port
    EXPECT_EQ(ParseUrl(L"http://a:1:2/f").port, 2);
    UrlParts other = ParseUrl(L"ftp://h/f");  // no other scheme is recognised
    EXPECT_EQ(other.host, L"ftp");
    EXPECT_EQ(other.port, 0);
    UrlParts relative = ParseUrl(L"/consezip/a.zip");  // a relative redirect target
    EXPECT_TRUE(relative.host.empty());
    EXPECT_EQ(relative.fileName, L"a.zip");
    UrlParts embedded = ParseUrl(L"xhttp://h/q?u=http://i/j.zip");  // the first "http://" counts
    EXPECT_EQ(embedded.host, L"h");
    EXPECT_EQ(embedded.fileName, L"j.zip");
}

TEST(ResponseHeader, StatusLineOnly) {
    EXPECT_TRUE(StatusLineContains("HTTP/1.1 206 Partial Content\r\n\r\n", L"206"));
    EXPECT_FALSE(StatusLineContains("HTTP/1.1 200 OK\r\nX-Code: 206\r\n\r\n", L"206"));
    EXPECT_FALSE(StatusLineContains("HTTP/1.1 206 Partial Content", L"206"));  // no line end
}

TEST(ResponseHeader, Location) {
    EXPECT_EQ(ParseLocation("HTTP/1.1 302 Found\r\nlocation: http://b/c\r\n\r\n"), L"http://b/c");
    EXPECT_EQ(ParseLocation("HTTP/1.1 302 Found\r\nLocation:   http://b/c \t\r\n\r\n"), L"http://b/c");
    // The lower-case name wins even when the other one comes first.
    EXPECT_EQ(ParseLocation("HTTP/1.1 302\r\nLocation: http://x/1\r\nlocation: http://y/2\r\n\r\n"),
              L"http://y/2");
    EXPECT_EQ(ParseLocation("HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n"), L"");
    EXPECT_EQ(ParseLocation("HTTP/1.1 302 Found\r\nLocation: http://b/c"), L"");  // no line end
    EXPECT_EQ(ParseLocation("HTTP/1.1 302 Found\r\nLOCATION: http://b/c\r\n\r\n"), L"");
}

TEST(ResponseHeader, ContentSize) {
    EXPECT_EQ(ParseContentSize("HTTP/1.1 206 P\r\nContent-Range: bytes 0-1/12345\r\n\r\n"), 12345u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n"), 5000u);
    // Content-Range wins over Content-Length.
    EXPECT_EQ(ParseContentSize("HTTP/1.1 206 P\r\nContent-Length: 2\r\nContent-Range: bytes 0-1/777\r\n\r\n"),
              777u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 200 OK\r\n\r\n"), 0u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 206 P\r\nContent-Range: bytes 0-1/*\r\n\r\n"), 0u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\n"), 2147483647u);
}

TEST(ResponseHeader, UnusableSizesCountAsUnknown) {
    for (const char* bad : {"-5", "abc", "12abc", "2147483648", "4294967297", "99999999999999999999", ""}) {
        std::string header = std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + bad + "\r\n\r\n";
        EXPECT_EQ(ParseContentSize(header.c_str()), 0u) << bad;
        header = std::string("HTTP/1.1 206 P\r\nContent-Range: bytes 0-1/") + bad + "\r\n\r\n";
        EXPECT_EQ(ParseContentSize(header.c_str()), 0u) << bad;
    }
}

TEST(RequestText, ExactLines) {
    EXPECT_EQ(RedirectProbeText(L"h", L"/a/b.zip?md5=1"),
              L"GET /a/b.zip?md5=1 HTTP/1.1\r\nHost: h\r\nAccept: */*\r\n"
              L"User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36\t\t\t\t  (KHTML, like "
              L"Gecko)Chrome/32.0.1700.107 Safari/537.36\r\n\r\n");
    std::vector<std::wstring> range = RangeRequestLines(L"h", L"/p", 5001000, 10000001);
    ASSERT_EQ(range.size(), 6u);
    EXPECT_EQ(range[4], L"Range: bytes=5001000-10000001\r\n");
    EXPECT_EQ(SizeProbeLines(L"h", L"/p")[4], L"Range: bytes=0-1\r\n");
    EXPECT_EQ(SizeRequestLines(L"h", L"/p").size(), 5u);
}

TEST(SegmentPlan, CountAtTheBoundaries) {
    const struct {
        uint64_t size;
        int count;
    } cases[] = {{5242880, 1}, {5242881, 2}, {52428800, 2}, {52428801, 3}, {104857600, 3}, {104857601, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(SegmentCount(c.size, true, true), c.count) << c.size;
        EXPECT_EQ(SegmentCount(c.size, true, false), 1) << c.size;  // no ranges: one segment
        EXPECT_EQ(SegmentCount(c.size, false, true), 1) << c.size;  // one segment asked for
    }
}

TEST(SegmentPlan, RangesCoverTheResource) {
    std::vector<SegmentRange> two = PlanSegments(10000001, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].first, 0u);
    EXPECT_EQ(two[0].end, 5000000u);
    EXPECT_EQ(two[1].first, 5000000u);
    EXPECT_EQ(two[1].end, 10000001u);

    std::vector<SegmentRange> four = PlanSegments(104857603, 4);
    EXPECT_EQ(four[0].end, four[1].first);
    EXPECT_EQ(four[3].end, 104857603u);  // the last takes the remainder
    EXPECT_EQ(PartFileName(L"C:\\T\\a.zip", 1, true), L"C:\\T\\a.zip_1");
    EXPECT_EQ(PartFileName(L"C:\\T\\a.zip", 0, false), L"C:\\T\\a.zip_tmp");
}

TEST(RateMeter, ClosedWindowsOfFourSeconds) {
    TransferRateMeter meter;
    meter.Add(1000, 100000);
    EXPECT_EQ(meter.GetSpeed(101000), 0u);  // nothing closed yet
    meter.Add(7000, 103999);
    EXPECT_EQ(meter.GetSpeed(103999), 0u);
    EXPECT_EQ(meter.GetSpeed(104000), 2000u);  // 8000 bytes over 4 s
    meter.Add(9000, 106500);
    EXPECT_EQ(meter.GetSpeed(107000), 2000u);  // the rate changes at most every 4 s
    EXPECT_EQ(meter.GetSpeed(109500), 1800u);  // 9000 bytes over 5 whole seconds
}

TEST(RateMeter, TickCounterWraps) {
    TransferRateMeter meter;
    meter.Add(4000, 0xFFFFF000u);
    meter.Add(4000, 0xFFFFF000u + 4096);  // wrapped past zero
    EXPECT_EQ(meter.GetSpeed(0xFFFFF000u + 4096), 2000u);
}

}  // namespace
}  // namespace radu
