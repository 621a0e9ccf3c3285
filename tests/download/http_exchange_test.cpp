// The HTTP exchange against a scripted server: exact request bytes, redirects, size probes, header limits
// and the connection diagnostics.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "download/download.h"
#include "download/http_get.h"
#include "stdout_capture.h"
#include "support/scripted_http_server.h"
#include "support/test_paths.h"

namespace radu {
namespace {

using test::HttpReply;
using test::HttpRequest;
using test::ScriptedHttpServer;
using test::TempDir;

const std::string kBrowserAgent =
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36\t\t\t\t  (KHTML, like "
    "Gecko)Chrome/32.0.1700.107 Safari/537.36\r\n";

TEST(RequestBytes, EveryKindOfRequestAsSent) {
    const std::string content = "hello";
    const std::string probe =
        "GET /dir/pkg.zip HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n" + kBrowserAgent + "\r\n";
    const std::string base =
        "GET /dir/pkg.zip HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\nUser-Agent: Mozilla\r\n";

    {  // A server with ranges: redirect probe, size probe, one ranged segment request.
        ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
        TempDir dir;
        EXPECT_EQ(DownloadFile(test::Wide(server.Url("/dir/pkg.zip")).c_str(), dir.path().c_str(), nullptr, 0,
                               TRUE, FALSE, FALSE),
                  kDownloadOk);
        std::vector<HttpRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), 3u);
        EXPECT_EQ(requests[0].raw, probe);
        EXPECT_EQ(requests[1].raw, base + "Range: bytes=0-1\r\n\r\n");
        EXPECT_EQ(requests[2].raw,
                  base + "Range: bytes=0-4\r\n\r\n");  // the last segment: through the last byte
        EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
    }
    {  // No ranges and no size in the probe's answer: size request, then the whole resource.
        ScriptedHttpServer server([&](const HttpRequest& r) {
            if (r.index == 1)
                return HttpReply::Status("HTTP/1.1 200 OK", "", "");
            return HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 5\r\n", content);
        });
        TempDir dir;
        EXPECT_EQ(DownloadFile(test::Wide(server.Url("/dir/pkg.zip")).c_str(), dir.path().c_str(), nullptr, 0,
                               TRUE, FALSE, FALSE),
                  kDownloadOk);
        std::vector<HttpRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), 4u);
        EXPECT_EQ(requests[1].raw, base + "Range: bytes=0-1\r\n\r\n");
        EXPECT_EQ(requests[2].raw, base + "\r\n");  // size request
        EXPECT_EQ(requests[3].raw, base + "\r\n");  // whole request
        EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
        EXPECT_FALSE(test::FileExists(dir / L"pkg.zip_tmp"));
    }
}

TEST(RequestBytes, HostLineCarriesNoPort) {
    ScriptedHttpServer server([](const HttpRequest&) { return HttpReply::Status("HTTP/1.1 404 Not Found"); });
    TempDir dir;
    std::wstring url = L"http://localhost:" + std::to_wstring(server.port()) + L"/a/b";
    EXPECT_EQ(DownloadFile(url.c_str(), dir.path().c_str(), nullptr, 0, TRUE, FALSE, FALSE),
              kDownloadHttpRefused);
    ASSERT_FALSE(server.Requests().empty());
    EXPECT_EQ(server.Requests()[0].Header("Host"), "localhost");
    EXPECT_EQ(server.Requests()[0].path, "/a/b");
}

// A server whose /rN answers 302 to /r(N+1) up to /r<last>, which serves the file.
HttpReply RedirectChain(const ScriptedHttpServer& server, const HttpRequest& r, int last,
                        const std::string& content) {
    int n = 0;
    if (std::sscanf(r.path.c_str(), "/r%d/", &n) == 1 && n < last)
        return HttpReply::Status(
            "HTTP/1.1 302 Found",
            "Location: " + server.Url("/r" + std::to_string(n + 1) + "/pkg.zip") + "\r\n");
    return test::ServeContent(r, content);
}

TEST(Redirects, FourAreFollowedAFifthIsTooMany) {
    const std::string content = test::PatternBytes(3000);
    ScriptedHttpServer* self = nullptr;
    ScriptedHttpServer four([&](const HttpRequest& r) { return RedirectChain(*self, r, 4, content); });
    self = &four;
    TempDir dir;
    EXPECT_EQ(DownloadFile(test::Wide(four.Url("/r0/pkg.zip")).c_str(), dir.path().c_str(), nullptr, 0, TRUE,
                           FALSE, FALSE),
              kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
    EXPECT_EQ(four.Requests()[5].path,
              "/r4/pkg.zip");  // five probes, then the size probe of the final address

    ScriptedHttpServer five([&](const HttpRequest& r) { return RedirectChain(*self, r, 5, content); });
    self = &five;
    TempDir dir2;
    EXPECT_EQ(DownloadFile(test::Wide(five.Url("/r0/pkg.zip")).c_str(), dir2.path().c_str(), nullptr, 0, TRUE,
                           FALSE, FALSE),
              kDownloadBadAddress);
    EXPECT_EQ(five.Requests().size(), 5u);
}

TEST(Redirects, LocationVariants) {
    const std::string content = "data";
    ScriptedHttpServer* self = nullptr;
    ScriptedHttpServer server([&](const HttpRequest& r) {
        if (r.path == "/relative")
            return HttpReply::Status("HTTP/1.1 302 Found", "Location: /pkg.zip\r\n");
        if (r.path == "/nolocation")
            return HttpReply::Status("HTTP/1.1 302 Found", "Content-Length: 0\r\n");
        if (r.path == "/lower")
            return HttpReply::Status("HTTP/1.1 301 Moved",
                                     "location: " + self->Url("/final/pkg.zip") + "\r\n");
        return test::ServeContent(r, content);
    });
    self = &server;
    TempDir dir;
    EXPECT_EQ(DownloadFile(test::Wide(server.Url("/relative")).c_str(), dir.path().c_str(), nullptr, 0, TRUE,
                           FALSE, FALSE),
              kDownloadBadAddress);
    EXPECT_EQ(DownloadFile(test::Wide(server.Url("/nolocation")).c_str(), dir.path().c_str(), nullptr, 0,
                           TRUE, FALSE, FALSE),
              kDownloadBadRedirect);
    EXPECT_EQ(DownloadFile(test::Wide(server.Url("/lower")).c_str(), dir.path().c_str(), nullptr, 0, TRUE,
                           FALSE, FALSE),
              kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
}

class SizeProbe : public ::testing::Test {
  protected:
    // Runs ProbeSize against a server answering the probe with probeReply and any later request with
    // laterReply.
    void Probe(const HttpReply& probeReply, const HttpReply& laterReply) {
        ScriptedHttpServer server(
            [&](const HttpRequest& r) { return r.index == 0 ? probeReply : laterReply; });
        ok = http.ProbeSize(L"127.0.0.1", L"/f.zip", server.port());
        requests = server.Requests();
    }
    CHttpGet http{nullptr, TRUE, 0, FALSE};
    bool ok = false;
    std::vector<HttpRequest> requests;
};

TEST_F(SizeProbe, PartialContentMeansRanges) {
    Probe(HttpReply::Status("HTTP/1.1 206 Partial Content",
                            "Content-Range: bytes 0-1/5000\r\nContent-Length: 2\r\n", "ab"),
          HttpReply::Status("HTTP/1.1 500 Unexpected"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(http.totalSize, 5000u);
    EXPECT_TRUE(http.rangesSupported);
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(SizeProbe, WholeAnswerMeansNoRanges) {
    Probe(HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 4321\r\n", "x"),
          HttpReply::Status("HTTP/1.1 500 X"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(http.totalSize, 4321u);
    EXPECT_FALSE(http.rangesSupported);
}

TEST_F(SizeProbe, FallsBackToTheSizeRequest) {
    Probe(HttpReply::Status("HTTP/1.1 200 OK"),
          HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 99\r\n"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(http.totalSize, 99u);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Header("Range"), "");
}

TEST_F(SizeProbe, NoSizeAnywhereLeavesTheResultCode) {
    Probe(HttpReply::Status("HTTP/1.1 200 OK"), HttpReply::Status("HTTP/1.1 200 OK"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(http.resultCode, kDownloadNoConnection);
    EXPECT_EQ(http.totalSize, 0u);
}

TEST_F(SizeProbe, UnusableSizesAreUnknown) {
    Probe(HttpReply::Status("HTTP/1.1 206 P", "Content-Range: bytes 0-1/-7\r\n"),
          HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 2147483648\r\n"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(http.totalSize, 0u);
    EXPECT_EQ(http.resultCode, kDownloadNoConnection);
}

TEST_F(SizeProbe, RefusedAndSilentServers) {
    Probe(HttpReply::Status("HTTP/1.1 403 Forbidden"), HttpReply::Status("HTTP/1.1 200 OK"));
    EXPECT_FALSE(ok);
    EXPECT_EQ(http.resultCode, kDownloadHttpRefused);
    HttpReply silent;
    silent.cutAfter = 0;
    Probe(silent, silent);
    EXPECT_FALSE(ok);
    EXPECT_EQ(http.resultCode, kDownloadNoHeader);
}

TEST(ReadHeader, StopsAtTheBlankLineOrTheLimit) {
    std::string longLine = "X-Filler: " + std::string(20000, 'f') + "\r\n";
    ScriptedHttpServer server([&](const HttpRequest& r) {
        if (r.path == "/long")
            return HttpReply::Status("HTTP/1.1 200 OK", longLine, "BODY");
        return HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 4\r\n", "BODY");
    });
    CHttpGet http(nullptr, TRUE, 0, FALSE);
    for (std::string path : {"/short", "/long"}) {
        UniqueSocket s(http.Connect(L"127.0.0.1", server.port()));
        ASSERT_TRUE(s);
        ASSERT_TRUE(http.SendText(s, L"GET " + test::Wide(path) + L" HTTP/1.1\r\n\r\n"));
        char header[kHeaderBufferSize];
        size_t n = http.ReadHeader(s.get(), header);
        char next[8] = {};
        ::recv(s.get(), next, 4, MSG_WAITALL);
        if (path == "/short") {
            EXPECT_EQ(std::string(header), "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n");
            EXPECT_EQ(std::string(next), "BODY");  // the body stays on the socket
        } else {
            // Which side lost the exchange, should it fail: the server had read the request or not.
            EXPECT_EQ(n, 10239u) << "requests the server read: " << server.Requests().size();
            EXPECT_EQ(std::strlen(header), 10239u);
            EXPECT_EQ(std::string(next), "ffff");  // the rest of the header too
        }
    }
}

TEST(Connect, RefusesBadArgumentsSilently) {
    CSocketWrapper wrapper;
    test::StdoutCapture out;
    std::wstring address = L"unchanged";
    EXPECT_EQ(wrapper.Connect(L"", 80, address), INVALID_SOCKET);
    EXPECT_EQ(wrapper.Connect(L"127.0.0.1", 0, address), INVALID_SOCKET);
    EXPECT_EQ(wrapper.Connect(L"127.0.0.1", 65536, address), INVALID_SOCKET);
    EXPECT_EQ(out.Finish(), "");
    EXPECT_EQ(address, L"unchanged");
}

TEST(Connect, NamesAddressesAndFailures) {
    ScriptedHttpServer server([](const HttpRequest&) { return HttpReply::Status("HTTP/1.1 200 OK"); });
    CSocketWrapper wrapper;
    std::wstring address;
    SOCKET s = wrapper.Connect(L"localhost", server.port(), address);
    EXPECT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(address, L"127.0.0.1");
    ::closesocket(s);

    int closedPort;
    {
        ScriptedHttpServer gone([](const HttpRequest&) { return HttpReply(); });
        closedPort = gone.port();
    }
    test::StdoutCapture out;
    address = L"before";
    EXPECT_EQ(wrapper.Connect(L"bad name!", 80, address), INVALID_SOCKET);  // fails without asking DNS
    EXPECT_EQ(address, L"before");
    EXPECT_EQ(wrapper.Connect(L"127.0.0.1", closedPort, address), INVALID_SOCKET);
    EXPECT_EQ(address, L"127.0.0.1");  // filled before the attempt failed
    std::string lines = out.Finish();
    EXPECT_TRUE(std::regex_match(lines, std::regex("Unable to get the host name\\. Error: \\d+\r?\n"
                                                   "Connecting to the server failed\\. Error: 10061\r?\n")))
        << lines;
}

// A script's list as a download walks it: each connection through the first route that answers, and the
// one that answered tried first from then on; with no proxy left, the server itself when the list says
// DIRECT, and 24 when it does not.
TEST(Connect, ThroughTheFirstRouteOfTheListThatAnswers) {
    ScriptedHttpServer proxy([](const HttpRequest&) { return HttpReply::Status("HTTP/1.1 404 Not Found"); });
    std::wstring gone;
    {
        ScriptedHttpServer closed([](const HttpRequest&) { return HttpReply(); });
        gone = L"127.0.0.1:" + std::to_wstring(closed.port());
    }
    CHttpGet http(nullptr, TRUE, 0, FALSE);
    http.proxyRoutes = ParseScriptAnswer(L"PROXY " + gone + L"; PROXY 127.0.0.1:" +
                                         std::to_wstring(proxy.port()) + L"; DIRECT");
    test::StdoutCapture out;
    std::wstring next;
    for (const wchar_t* path : {L"/p.zip", L"/q.zip"})
        http.CheckRedirect(std::wstring(L"http://radu-packages.test:47311") + path, next);
    const std::string failures = out.Finish();  // the first time only
    EXPECT_TRUE(
        std::regex_match(failures, std::regex("Connecting to the server failed\\. Error: 10061\r?\n")))
        << failures;
    const std::vector<HttpRequest> asked = proxy.Requests();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].raw.substr(0, asked[1].raw.find('\r')),
              "GET http://radu-packages.test:47311/q.zip HTTP/1.1");

    ScriptedHttpServer server([](const HttpRequest&) { return HttpReply::Status("HTTP/1.1 404 Not Found"); });
    http.proxyRoutes = ParseScriptAnswer(L"PROXY " + gone + L"; DIRECT");
    http.routeInUse = 0;
    http.CheckRedirect(test::Wide(server.Url("/r.zip")), next);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].path, "/r.zip");
    http.proxyRoutes = ParseScriptAnswer(L"PROXY " + gone);
    EXPECT_EQ(http.NoConnectionResult(), kDownloadProxyUnreachable);
}

TEST(Connect, SilentServerTimesOutAfterTenSeconds) {
    ScriptedHttpServer server([](const HttpRequest&) {
        HttpReply r;
        r.hold = true;
        return r;
    });
    CHttpGet http(nullptr, TRUE, 0, FALSE);
    UniqueSocket s(http.Connect(L"127.0.0.1", server.port()));
    ASSERT_TRUE(s);
    ASSERT_TRUE(http.SendText(s, L"GET / HTTP/1.1\r\n\r\n"));
    DWORD start = ::GetTickCount();
    char header[kHeaderBufferSize];
    EXPECT_EQ(http.ReadHeader(s.get(), header), 0u);
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, 9500u);
    EXPECT_LT(elapsed, 20000u);  // the ten seconds, late as a loaded machine may be, not a wait for ever
}

}  // namespace
}  // namespace radu
