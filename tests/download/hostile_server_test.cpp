// Broken and hostile package servers, one table of them, each met through DownloadFile as the installer
// meets its server: the job starts at "/go". Whatever a server sends, nothing is written outside the
// destination, and no bytes other than the served resource ever come out as a download (1 or 7); a
// correct server still gives the resource byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "download/download.h"
#include "md5_reference.h"
#include "part_record.h"
#include "support/scripted_http_server.h"
#include "support/test_paths.h"

namespace radu {
namespace {

using test::HttpReply;
using test::HttpRequest;
using test::ScriptedHttpServer;

const std::string kContent = test::PatternBytes(70000);
const std::string kDigest = test::ReferenceMd5(kContent);

using Answer = std::function<HttpReply(const HttpRequest&, const ScriptedHttpServer&)>;

HttpReply Serve(const HttpRequest& r) {
    return test::ServeContent(r, kContent);
}

HttpReply Redirect(const std::string& location) {
    return HttpReply::Status("HTTP/1.1 302 Found", "Location: " + location + "\r\nContent-Length: 0\r\n");
}

// "/go" redirects to `target` on this server; everything else is served.
Answer RedirectThenServe(const std::string& target) {
    return [target](const HttpRequest& r, const ScriptedHttpServer& s) {
        return r.path == "/go" ? Redirect(s.Url(target)) : Serve(r);
    };
}

enum class Before { kNothing, kPartFile, kCutTarget };

struct Behaviour {
    const char* name;
    Answer answer;
    Before before;
    int result;
};

const std::string kGood = "/pkg.zip?md5=" + kDigest;

const std::vector<Behaviour> kBehaviours = {
    {"a correct server", RedirectThenServe(kGood), Before::kNothing, kDownloadOk},
    {"a digest followed by a parameter", RedirectThenServe(kGood + "&x=1"), Before::kNothing, kDownloadOk},
    {"a slash in the query", RedirectThenServe(kGood + "&from=/other/evil.exe"), Before::kNothing,
     kDownloadOk},
    // The file name is the server's choice.
    {"a file name climbing out", RedirectThenServe("/consezip/..\\..\\escaped\\pkg.zip?md5=" + kDigest),
     Before::kNothing, kDownloadBadDestination},
    {"a file name with a stream", RedirectThenServe("/x/pkg.zip:hidden"), Before::kNothing,
     kDownloadBadDestination},
    {"a file name of dots", RedirectThenServe("/x/..?md5=" + kDigest), Before::kNothing,
     kDownloadBadDestination},
    {"a device for a file name", RedirectThenServe("/x/con.zip"), Before::kNothing, kDownloadBadDestination},
    // Headers.
    {"a header past the limit",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         HttpReply reply = r.path == "/go" ? Redirect(s.Url(kGood)) : Serve(r);
         reply.head.insert(reply.head.find("\r\n") + 2, "X-Filler: " + std::string(12000, 'a') + "\r\n");
         return reply;
     },
     Before::kNothing, kDownloadNoHeader},
    {"the size probe's part without Content-Range",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         long long first = 0, last = 0;
         if (r.path == "/go")
             return Redirect(s.Url(kGood));
         if (r.Range(&first, &last) && first == 0 && last == 1)
             return HttpReply::Status("HTTP/1.1 206 Partial Content", "Content-Length: 2\r\n",
                                      kContent.substr(0, 2));
         return HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 70000\r\n", kContent);
     },
     Before::kNothing, kDownloadOk},
    {"every range from the start",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         long long first = 0, last = 0;
         if (r.path == "/go")
             return Redirect(s.Url(kGood));
         if (!r.Range(&first, &last) || last == 1)
             return Serve(r);
         return HttpReply::Status("HTTP/1.1 206 Partial Content",
                                  "Content-Range: bytes 0-" + std::to_string(last - first) + "/70000\r\n",
                                  kContent.substr(0, static_cast<size_t>(last - first + 1)));
     },
     Before::kPartFile, kDownloadHttpRefused},
    {"a cut-off package from an earlier run", RedirectThenServe(kGood), Before::kCutTarget, kDownloadOk},
    {"other fields that end in Location",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         if (r.path != "/go")
             return Serve(r);
         return HttpReply::Status("HTTP/1.1 302 Found", "Content-Location: " + s.Url("/wrong.zip") +
                                                            "\r\nX-Old-Location: " + s.Url("/wrong.zip") +
                                                            "\r\nLocation: " + s.Url(kGood) + "\r\n");
     },
     Before::kNothing, kDownloadOk},
    {"a length field before Content-Length, no ranges",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         if (r.path == "/go")
             return Redirect(s.Url(kGood));
         return HttpReply::Status("HTTP/1.1 200 OK", "X-Content-Length: 999\r\nContent-Length: 70000\r\n",
                                  kContent);
     },
     Before::kNothing, kDownloadOk},
    {"an error whose reason reads 200",
     [](const HttpRequest&, const ScriptedHttpServer&) {
         return HttpReply::Status("HTTP/1.0 401 200", "Content-Length: 9\r\n", "forbidden");
     },
     Before::kNothing, kDownloadHttpRefused},
    {"Location in the status line",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         if (r.path != "/go")
             return Serve(r);
         HttpReply reply;
         reply.head = "HTTP/1.1 302 Location: " + s.Url(kGood) + "\r\n\r\n";
         return reply;
     },
     Before::kNothing, kDownloadBadRedirect},
    {"a line feed inside Location",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         return r.path == "/go" ? Redirect(s.Url("/pkg.zip") + "\nX-Injected: 1") : Serve(r);
     },
     Before::kNothing, kDownloadBadRedirect},
    {"a port that is not a number",
     [](const HttpRequest& r, const ScriptedHttpServer& s) {
         return r.path == "/go" ? Redirect("http://127.0.0.1:" + std::to_string(s.port()) + "x" + kGood)
                                : Serve(r);
     },
     Before::kNothing, kDownloadNoConnection},
};

TEST(HostileServers, NothingOutsideTheDestinationAndNoWrongBytes) {
    for (const Behaviour& b : kBehaviours) {
        SCOPED_TRACE(b.name);
        test::TempDir dir;
        const std::wstring destination = dir / L"a\\b\\";  // "..\..\" from here is still inside dir
        const std::wstring target = destination + L"pkg.zip";
        ASSERT_TRUE(CreateDirectoryTree((dir / L"a\\b").c_str(), nullptr));
        if (b.before == Before::kPartFile) {
            ASSERT_TRUE(test::WriteFileBytes(target + L"_0", kContent.substr(0, 1000)));
            ASSERT_TRUE(test::WritePartRecord(target, "", kDigest, kContent.size()));
        } else if (b.before == Before::kCutTarget) {
            ASSERT_TRUE(test::WriteFileBytes(target, kContent.substr(0, 30000)));
        }

        const ScriptedHttpServer* self = nullptr;
        ScriptedHttpServer server([&](const HttpRequest& r) { return b.answer(r, *self); });
        self = &server;
        const int result = DownloadFile(test::Wide(server.Url("/go")).c_str(), destination.c_str(), nullptr,
                                        0, TRUE, FALSE, FALSE);
        EXPECT_EQ(result, b.result);

        for (const test::FoundFile& f : test::ListFiles(dir.path()))
            EXPECT_EQ(f.path.rfind(destination, 0), 0u) << "written outside the destination: " << f.path;
        if (result == kDownloadOk || result == kDownloadTargetExists) {
            EXPECT_TRUE(test::ReadFileBytes(target) == kContent) << "a download that is not the resource";
        } else {
            EXPECT_FALSE(test::FileExists(target));
        }
        for (const HttpRequest& r : server.Requests()) {
            EXPECT_EQ(r.path.find("wrong"), std::string::npos) << r.path;
            EXPECT_EQ(r.raw.find("X-Injected"), std::string::npos) << r.raw;
        }
    }
}

}  // namespace
}  // namespace radu
