// The download engine's pure pieces: address decomposition, response headers, request texts, segment
// plans and the rate meter.
#include <gtest/gtest.h>

#include "common/file_names.h"
#include "download/http_header.h"
#include "download/proxy_route.h"
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
    EXPECT_EQ(ParseUrl(L"http://a:1:2/f").host, L"a:1");  // the last colon separates the port
    EXPECT_EQ(ParseUrl(L"http://a:1:2/f").port, 2);
    // A port is a decimal number or nothing: no prefix of digits, sign or blank passes.
    for (const wchar_t* port : {L"x", L"81x", L"+81", L" 81", L"", L"65536", L"99999999999"})
        EXPECT_EQ(ParseUrl(std::wstring(L"http://h:") + port + L"/a").port, 0) << port;
    EXPECT_EQ(ParseUrl(L"http://h:65535/a").port, 65535);
    UrlParts other = ParseUrl(L"ftp://h/f");  // no other scheme is recognised
    EXPECT_EQ(other.host, L"ftp");
    EXPECT_EQ(other.port, 0);
    UrlParts relative = ParseUrl(L"/consezip/a.zip");  // a relative redirect target
    EXPECT_TRUE(relative.host.empty());
    EXPECT_EQ(relative.fileName, L"a.zip");
    // The file name ends at the first "?"; a "/" or "?" in the query belongs to the query.
    UrlParts embedded = ParseUrl(L"xhttp://h/q.zip?u=http://i/j.zip?k");
    EXPECT_EQ(embedded.host, L"h");
    EXPECT_EQ(embedded.fileName, L"q.zip");
    EXPECT_EQ(ParseUrl(L"http://h/a/p.zip?md5=x?y").fileName, L"p.zip");
}

TEST(ParseUrl, ADigestIsThirtyTwoHexDigitsAfterMd5) {
    const std::wstring digest = L"0123456789abcdefABCDEF0123456789";
    const struct {
        const wchar_t* address;
        const wchar_t* parameter;
        bool usable;
    } rows[] = {
        {L"http://h/p.zip?md5=0123456789abcdefABCDEF0123456789", digest.c_str(), true},
        {L"http://h/p.zip?sig=x&md5=0123456789abcdefABCDEF0123456789&z=1", digest.c_str(), true},
        {L"http://h/login.html", L"", false},  // a sign-in portal's page
        {L"http://h/p.zip?md5=", L"", false},
        {L"http://h/p.zip?md5=0123456789abcdefABCDEF012345678", L"0123456789abcdefABCDEF012345678", false},
        {L"http://h/p.zip?md5=0123456789abcdefABCDEF012345678g", L"0123456789abcdefABCDEF012345678g", false},
        {L"http://h/p.zip?md5=0123456789abcdefABCDEF0123456789a", L"0123456789abcdefABCDEF0123456789a",
         false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DigestParameter(row.address), row.parameter) << row.address;
        EXPECT_EQ(IsMd5Text(DigestParameter(row.address)), row.usable) << row.address;
    }
}

TEST(FileNames, OnlyPlainNamesForAServersFile) {
    for (const wchar_t* bad :
         {L"", L".", L"..", L"...", L". .", L" .", L"  ", L"a\\b.zip", L"a/b", L"c:x.zip", L"p.zip:s", L"CON",
          L"nul.zip", L"COM\u00B9.zip", L"lpt\u00B3", L"a\tb", L"a|b", L"x?.zip"})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    for (const wchar_t* good :
         {L"VaruPhoneAx.zip", L".hidden", L"a..b", L"com10.zip", L"中文.zip", L"conf.d"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
}

TEST(ResponseHeader, StatusIsTheNumberOnTheStatusLine) {
    const struct {
        const char* header;
        int status;
    } cases[] = {
        {"HTTP/1.1 206 Partial Content\r\n\r\n", 206},
        {"HTTP/1.0 401 200\r\n\r\n", 401},  // the three digits after the version
        {"HTTP/1.1 302\r\n\r\n", 302},
        {"HTTP/1.1 200 OK\r\nX-Code: 206\r\n\r\n", 200},
        {"HTTP/1.1 2000 OK\r\n\r\n", 0},
        {"HTTP/1.1 206\t Partial Content\r\n\r\n", 0},  // only a space ends the code
        {"HTTP/1.1 20x OK\r\n\r\n", 0},
        {"Location: 302\r\n\r\n", 0},
        {"HTTP/1.1 206 Partial Content", 0},  // no line end
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusCode(c.header), c.status) << c.header;
    EXPECT_TRUE(HeaderComplete("HTTP/1.1 200 OK\r\n\r\n"));
    EXPECT_FALSE(HeaderComplete("HTTP/1.1 200 OK\r\nX-Filler: aaaa"));
}

TEST(ResponseHeader, FieldsByNameAtTheStartOfALine) {
    const struct {
        const char* header;
        const char* location;  // null: none
    } cases[] = {
        {"HTTP/1.1 302 Found\r\nlocation: http://b/c\r\n\r\n", "http://b/c"},
        {"HTTP/1.1 302 Found\r\nLOCATION:   http://b/c \t\r\n\r\n", "http://b/c"},
        {"HTTP/1.1 302\r\nLocation: http://x/1\r\nlocation: http://y/2\r\n\r\n", "http://x/1"},
        {"HTTP/1.1 302\r\nContent-Location: http://x/1\r\nX-Old-Location: http://x/2\r\n"
         "Location: http://y/3\r\n\r\n",
         "http://y/3"},
        {"HTTP/1.1 302 Location: http://x/1\r\n\r\n", nullptr},  // not in the status line
        {"HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n", nullptr},
        {"HTTP/1.1 302 Found\r\nLocation: http://b/c", nullptr},  // no line end
        {"HTTP/1.1 302 Found\r\nLocation: \r\n\r\n", nullptr},
        // A control character would be copied into the next request line.
        {"HTTP/1.1 302 Found\r\nLocation: http://b/a.zip\nX-Injected: 1\r\n\r\n", nullptr},
        {"HTTP/1.1 302 Found\r\nLocation: http://b/a\tb\r\n\r\n", nullptr},
    };
    for (const auto& c : cases) {
        std::optional<std::string> location = ParseLocation(c.header);
        EXPECT_EQ(location.value_or("(none)"), c.location ? c.location : "(none)");
    }
    EXPECT_EQ(ParseContentLength("HTTP/1.1 200 OK\r\nX-Content-Length: 999\r\nContent-Length: 5\r\n\r\n"),
              5u);
}

TEST(ResponseHeader, ContentSize) {
    EXPECT_EQ(ParseContentSize("HTTP/1.1 206 P\r\nContent-Range: bytes 0-1/12345\r\n\r\n"), 12345u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 200 OK\r\ncontent-length: 5000\r\n\r\n"), 5000u);
    // Content-Range wins over Content-Length.
    EXPECT_EQ(ParseContentSize("HTTP/1.1 206 P\r\nContent-Length: 2\r\nContent-Range: bytes 0-1/777\r\n\r\n"),
              777u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 200 OK\r\n\r\n"), 0u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 206 P\r\nContent-Range: bytes 0-1/*\r\n\r\n"), 0u);
    EXPECT_EQ(ParseContentSize("HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\n"), 2147483647u);
    std::optional<ContentRange> range =
        ParseContentRange("HTTP/1.1 206 P\r\nContent-Range: bytes 10-19/50\r\n\r\n");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 10u);
    EXPECT_EQ(range->last, 19u);
    EXPECT_EQ(range->total, 50u);
    for (const char* bad : {"bytes 19-10/50", "bytes -10/50", "bytes 10/50", "items 0-1/5", "bytes 0-1"})
        EXPECT_FALSE(ParseContentRange(std::string("HTTP/1.1 206 P\r\nContent-Range: ") + bad + "\r\n\r\n"))
            << bad;
}

TEST(ResponseHeader, UnusableSizesCountAsUnknown) {
    for (const char* bad : {"-5", "abc", "12abc", "2147483648", "4294967297", "99999999999999999999", ""}) {
        std::string header = std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + bad + "\r\n\r\n";
        EXPECT_EQ(ParseContentSize(header), 0u) << bad;
        header = std::string("HTTP/1.1 206 P\r\nContent-Range: bytes 0-1/") + bad + "\r\n\r\n";
        EXPECT_EQ(ParseContentSize(header), 0u) << bad;
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

// What the system's settings and a configuration script can say, and where the requests then go.
TEST(ProxySettings, RoutesFromScriptAnswersAndProxyLists) {
    const ProxyRoute direct{}, a{L"a", 1}, b{L"b.example", 2}, c{L"c", 3}, d{L"d", 4};
    const struct {
        bool script;  // a script's answer, or the fixed proxy's list
        const wchar_t* text;
        ProxyRoutes routes;
    } cases[] = {
        {true, L"PROXY a:1; PROXY b.example:2; DIRECT", {a, b, direct}},
        {true, L"  proxy a:1;;HTTP   b.example:2 ", {a, b}},
        {true, L"DIRECT; PROXY a:1", {direct, a}},
        {true, L"DIRECT", {}},
        {true,
         L"SOCKS a:1; HTTPS b.example:2; PROXY [::1]:3; PROXY a:0; PROXY a:70000; PROXY a:x; PROXY",
         {}},
        {true, L"PROXY b.example", {{L"b.example", 80}}},
        {true, L"PROXY a:1; PROXY a:1", {a}},
        {true, L"", {}},
        // No more routes than a download tries; entries that give none do not count.
        {true, L"PROXY a:1; PROXY b.example:2; PROXY c:3; DIRECT; PROXY d:4", {a, b, c, direct}},
        {true, L"SOCKS s:1; SOCKS s:2; SOCKS s:3; SOCKS s:4; PROXY a:1", {a}},
        {false, L"a:1 b.example:2 c:3 d:4 e:5", {a, b, c, d}},
        {false, L"a:1 b.example:2 c:3 d:4 e:5 http=a:1", {a}},
        {false, L"a:1", {a}},
        {false, L"http://a:1/", {a}},
        {false, L"https=x:9;http=a:1; ftp=y:8", {a}},
        {false, L"a:1 b.example:2", {a, b}},
        {false, L"ftp=y:8", {}},
        {false, L"http=a:1;b.example:2", {a}},  // the entry for http wins over the unmarked one
        {false, L"a b", {{L"a", 80}, {L"b", 80}}},
        {false, L"a:1\r\nHost: x", {a, {L"x", 80}}},  // a line break only ever separates entries
    };
    for (const auto& row : cases)
        EXPECT_EQ(row.script ? ParseScriptAnswer(row.text) : ParseProxyServer(row.text), row.routes)
            << row.text;
    // The system's resolver hands back entries already split: read as a script's answer is.
    EXPECT_EQ(RoutesFromResolver({{false, L"a", 1},
                                  {false, L"b.example; PROXY x", 2},
                                  {false, L"b.example", 70000},
                                  {true, L"", 0},
                                  {false, L"c", 3},
                                  {false, L"d", 4},
                                  {false, L"e", 5}}),
              (ProxyRoutes{a, direct, c, d}));
    EXPECT_EQ(RoutesFromResolver({{true, L"", 0}}), ProxyRoutes{});
}

TEST(ProxySettings, BypassListAndLoopback) {
    const struct {
        const wchar_t* host;
        int port;
        const wchar_t* list;
        bool bypassed;
    } cases[] = {
        {L"pkg.example.com", 80, L"", false},
        {L"pkg.example.com", 80, L"*.example.com", true},
        {L"PKG.Example.COM", 80, L"*.example.com", true},
        {L"example.com", 80, L"*.example.com", false},
        {L"pkg.example.com", 80, L"other;  http://pkg.example.com", true},
        {L"pkg.example.com", 8080, L"pkg.example.com:80", false},
        {L"pkg.example.com", 8080, L"pkg.example.com:8080", true},
        {L"pkg.example.com", 80, L"ftp://pkg.example.com", false},
        {L"10.1.2.3", 80, L"10.*", true},
        {L"intranet", 80, L"<local>", true},
        {L"pkg.example.com", 80, L"<local>", false},
        {L"127.0.0.1", 47311, L"", true},  // loopback never goes through a proxy...
        {L"127.1.2.3", 80, L"", true},
        {L"localhost", 80, L"", true},
        {L"127.0.0.1", 47311, L"<-loopback>", false},  // ...unless the list says so
        {L"127.0.0.1", 47311, L"<-loopback>;127.0.0.1", true},
        {L"127.0.0.1.example.com", 80, L"", false},
        {L"127.0.0", 80, L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BypassesProxy(c.host, c.port, c.list), c.bypassed)
            << c.host << ":" << c.port << " " << c.list;
}

TEST(ProxySettings, RequestLineNamesTheWholeAddressOnlyThroughAProxy) {
    EXPECT_EQ(RequestTarget(false, L"h", 8080, L"/a?b"), L"/a?b");
    EXPECT_EQ(RequestTarget(true, L"h", 8080, L"/a?b"), L"http://h:8080/a?b");
    EXPECT_EQ(RequestTarget(true, L"h", 80, L"/a"), L"http://h/a");
    EXPECT_EQ(SizeProbeLines(L"h", RequestTarget(true, L"h", 81, L"/p.zip"))[0],
              L"GET http://h:81/p.zip HTTP/1.1\r\n");
    EXPECT_EQ(DescribeRoutes({}), L"direct");
    EXPECT_EQ(DescribeRoutes({{L"a", 1}, {}}), L"proxy a:1, then direct");
}

}  // namespace
}  // namespace radu
