// Segment threads against a scripted server: ranges, resumption from part files, retries, stops, and the
// answers that must never end up in a package.
#include <gtest/gtest.h>

#include <windows.h>
#include <process.h>
#include <tlhelp32.h>

#include <atomic>

#include "download/download.h"
#include "download/http_get.h"
#include "md5_reference.h"
#include "part_record.h"
#include "recording_callback.h"
#include "support/scripted_http_server.h"
#include "support/test_paths.h"

namespace radu {
namespace {

using test::HttpReply;
using test::HttpRequest;
using test::RecordingCallBack;
using test::ScriptedHttpServer;
using test::TempDir;

std::vector<std::string> RangeLines(const ScriptedHttpServer& server) {
    std::vector<std::string> out;
    for (const HttpRequest& r : server.Requests()) {
        std::string range = r.Header("Range");
        if (!range.empty() && range != "bytes=0-1")
            out.push_back(range);
    }
    return out;
}

int Fetch(const ScriptedHttpServer& server, const TempDir& dir, IDownloadCallBack* callback = nullptr,
          int userData = 0) {
    return DownloadFile(test::Wide(server.Url("/pkg.zip")).c_str(), dir.path().c_str(), callback, userData,
                        TRUE, FALSE, FALSE);
}

TEST(Segments, TenMillionAndOneBytesInTwoRanges) {
    const std::string content = test::PatternBytes(10000001);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    TempDir dir;
    RecordingCallBack callback;
    // Stop as soon as both segments have asked for their ranges.
    callback.answer = [&](const RecordingCallBack::Progress&) {
        return RangeLines(server).size() >= 2 ? 1 : 0;
    };
    EXPECT_EQ(Fetch(server, dir, &callback), kDownloadStopped);
    std::vector<std::string> ranges = RangeLines(server);
    std::sort(ranges.begin(), ranges.end());
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0], "bytes=0-5000000");
    EXPECT_EQ(ranges[1], "bytes=5000000-10000000");
    // Answer 1 keeps what was downloaded, ready to resume.
    EXPECT_TRUE(test::FileExists(dir / L"pkg.zip_0"));
    EXPECT_TRUE(test::FileExists(dir / L"pkg.zip_1"));
    EXPECT_FALSE(test::FileExists(dir / L"pkg.zip"));
    std::string part1 = test::ReadFileBytes(dir / L"pkg.zip_1");
    EXPECT_EQ(part1, content.substr(5000000, part1.size()));
}

TEST(Segments, StopAndDiscard) {
    const std::string content = test::PatternBytes(6000000);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    TempDir dir;
    RecordingCallBack callback;
    size_t stoppedAt = 0;  // progress reports up to the first answer 2
    callback.answer = [&](const RecordingCallBack::Progress&) {
        if (stoppedAt == 0 && RangeLines(server).size() >= 2)
            stoppedAt = callback.progress.size();
        return stoppedAt != 0 ? 2 : 0;
    };
    EXPECT_EQ(Fetch(server, dir, &callback), kDownloadStopped);
    // Both segments stop at their next look: at most the other segment's block in flight is still
    // reported, however slow the machine.
    ASSERT_NE(stoppedAt, 0u);
    EXPECT_LE(callback.progress.size(), stoppedAt + 1);
    EXPECT_FALSE(test::FileExists(dir / L"pkg.zip_0"));
    EXPECT_FALSE(test::FileExists(dir / L"pkg.zip_1"));
}

TEST(Segments, ResumesFromPartFiles) {
    const std::string content = test::PatternBytes(10000001);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    TempDir dir;
    ASSERT_TRUE(test::WriteFileBytes(dir / L"pkg.zip_0", content.substr(0, 5000000)));     // complete
    ASSERT_TRUE(test::WriteFileBytes(dir / L"pkg.zip_1", content.substr(5000000, 1000)));  // 1,000 bytes
    ASSERT_TRUE(test::WritePartRecord(dir / L"pkg.zip", server.Url("/pkg.zip"), "", content.size()));
    RecordingCallBack callback;
    callback.answer = [](const RecordingCallBack::Progress&) { return 1; };
    EXPECT_EQ(Fetch(server, dir, &callback), kDownloadStopped);
    EXPECT_EQ(RangeLines(server), std::vector<std::string>{"bytes=5001000-10000000"});
    ASSERT_FALSE(callback.progress.empty());
    EXPECT_GE(callback.progress[0].percent, 50);  // the bytes on disk count from the start
    std::string part1 = test::ReadFileBytes(dir / L"pkg.zip_1");
    EXPECT_GT(part1.size(), 1000u);
    EXPECT_EQ(part1, content.substr(5000000, part1.size()));  // appended at offset 1,000
}

TEST(Segments, CompletesAResumedDownloadAndSkipsCompleteParts) {
    const std::string content = test::PatternBytes(400000);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    TempDir dir;
    ASSERT_TRUE(test::WriteFileBytes(dir / L"pkg.zip_0", content.substr(0, 100000)));
    ASSERT_TRUE(test::WritePartRecord(dir / L"pkg.zip", server.Url("/pkg.zip"), "", content.size()));
    EXPECT_EQ(Fetch(server, dir), kDownloadOk);
    EXPECT_EQ(RangeLines(server), std::vector<std::string>{"bytes=100000-399999"});
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
    EXPECT_FALSE(test::FileExists(dir / L"pkg.zip_0"));

    TempDir dir2;  // a part file that holds its whole segment: no request at all
    ASSERT_TRUE(test::WriteFileBytes(dir2 / L"pkg.zip_0", content));
    ASSERT_TRUE(test::WritePartRecord(dir2 / L"pkg.zip", server.Url("/pkg.zip"), "", content.size()));
    size_t before = server.Requests().size();
    EXPECT_EQ(Fetch(server, dir2), kDownloadOk);
    EXPECT_EQ(server.Requests().size(), before + 2);  // redirect probe and size probe only
    EXPECT_EQ(test::ReadFileBytes(dir2 / L"pkg.zip"), content);
}

// Part files are joined only to the package they are of: without a record, or with the record of another
// address, size or digest, they go and the download starts from nothing; with this package's record but
// bytes that are not its own, the digest fails once and the download starts over from nothing.
TEST(Segments, ResumesOnlyPartFilesOfTheSamePackage) {
    const std::string content = test::PatternBytes(400000), other = test::PatternBytes(400000, 2);
    const std::string digest = "/pkg.zip?md5=" + test::ReferenceMd5(content);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    const struct {
        const char* name;
        const char* path;        // what the download fetches
        const char* recordPath;  // the address the record names, or null for no record
        const char* recordDigest;
        size_t recordSize;
        const std::string* partBytes;  // the first 100,000 bytes on disk
        std::vector<std::string> ranges;
    } cases[] = {
        {"no record", "/pkg.zip", nullptr, "", 400000, &content, {"bytes=0-399999"}},
        {"another address", "/pkg.zip", "/old.zip", "", 400000, &content, {"bytes=0-399999"}},
        {"another size", "/pkg.zip", "/pkg.zip", "", 300000, &content, {"bytes=0-399999"}},
        {"another digest",
         digest.c_str(),
         "/x",
         "00112233445566778899AABBCCDDEEFF",
         400000,
         &content,
         {"bytes=0-399999"}},
        {"this package", digest.c_str(), "/x", "", 400000, &content, {"bytes=100000-399999"}},
        {"this package, other bytes",
         digest.c_str(),
         "/x",
         "",
         400000,
         &other,
         {"bytes=100000-399999", "bytes=0-399999"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const size_t before = RangeLines(server).size();
        ASSERT_TRUE(test::WriteFileBytes(dir / L"pkg.zip_0", c.partBytes->substr(0, 100000)));
        std::string recordDigest = c.recordDigest;
        if (c.path == digest.c_str() && recordDigest.empty())
            recordDigest = test::ReferenceMd5(content);
        if (c.recordPath) {
            ASSERT_TRUE(test::WritePartRecord(dir / L"pkg.zip", server.Url(c.recordPath), recordDigest,
                                              c.recordSize));
        }
        EXPECT_EQ(DownloadFile(test::Wide(server.Url(c.path)).c_str(), dir.path().c_str(), nullptr, 0, TRUE,
                               FALSE, FALSE),
                  kDownloadOk);
        const std::vector<std::string> ranges = RangeLines(server);
        EXPECT_EQ(std::vector<std::string>(ranges.begin() + static_cast<long>(before), ranges.end()),
                  c.ranges);
        EXPECT_TRUE(test::ReadFileBytes(dir / L"pkg.zip") == content);
        EXPECT_FALSE(test::FileExists(dir / L"pkg.zip_source"));
    }
}

TEST(Segments, CutConnectionResumes) {
    const std::string content = test::PatternBytes(300000);
    ScriptedHttpServer server([&](const HttpRequest& r) {
        HttpReply reply = test::ServeContent(r, content);
        if (r.index == 2)
            reply.cutAfter = reply.head.size() + 100000;  // first segment request
        return reply;
    });
    TempDir dir;
    EXPECT_EQ(Fetch(server, dir), kDownloadOk);
    EXPECT_EQ(RangeLines(server), (std::vector<std::string>{"bytes=0-299999", "bytes=100000-299999"}));
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
}

TEST(Segments, GivesUpAfterSevenAttempts) {
    const std::string content = test::PatternBytes(300000);
    ScriptedHttpServer server([&](const HttpRequest& r) {
        HttpReply reply = test::ServeContent(r, content);
        if (r.Header("Range") != "bytes=0-1")
            reply.cutAfter = reply.head.size() + 1000;
        return reply;
    });
    TempDir dir;
    RecordingCallBack callback;
    EXPECT_EQ(Fetch(server, dir, &callback, 7), kDownloadBroken);
    std::vector<std::string> ranges = RangeLines(server);
    ASSERT_EQ(ranges.size(), 7u);
    EXPECT_EQ(ranges[6], "bytes=6000-299999");
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip_0"), content.substr(0, 7000));  // kept for later
    // With user data, every connection attempt reports the server's address.
    EXPECT_EQ(callback.addresses, std::vector<std::wstring>(7, L"127.0.0.1"));
    EXPECT_EQ(callback.addressUserData, 7);
}

// A part file that takes no bytes, as on a full disk (the test environment links it to /dev/full).
TEST(Segments, ABlockThatCannotBeStoredIsNeitherCountedNorReported) {
    const std::wstring folder = test::Env(L"RADU_FULL_DISK");
    if (folder.empty())
        GTEST_SKIP() << "RADU_FULL_DISK names no folder";
    const std::string content = test::PatternBytes(300000);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    RecordingCallBack callback;
    EXPECT_EQ(DownloadFile(test::Wide(server.Url("/pkg.zip")).c_str(), folder.c_str(), &callback, 0, TRUE,
                           FALSE, FALSE),
              kDownloadBroken);
    EXPECT_EQ(RangeLines(server).size(),
              7u);  // every attempt got its answer, and none of it reached the disk
    EXPECT_TRUE(callback.progress.empty());
    EXPECT_FALSE(test::FileExists(folder + L"pkg.zip"));
}

TEST(Segments, WithoutRangesABrokenTransferIsFinal) {
    const std::string content = test::PatternBytes(300000);
    ScriptedHttpServer server([&](const HttpRequest& r) {
        HttpReply reply = HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 300000\r\n", content);
        if (r.index >= 2)
            reply.cutAfter = reply.head.size() + 1000;
        return reply;
    });
    TempDir dir;
    RecordingCallBack callback;
    EXPECT_EQ(Fetch(server, dir, &callback), kDownloadBroken);
    EXPECT_EQ(server.Requests().size(), 3u);  // no second attempt
    EXPECT_TRUE(callback.addresses.empty());  // user data 0: no address reports
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip_tmp"), content.substr(0, 1000));
}

TEST(Segments, ProgressReachesAHundred) {
    const std::string content = test::PatternBytes(300000);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    TempDir dir;
    RecordingCallBack callback;
    EXPECT_EQ(Fetch(server, dir, &callback, 3), kDownloadOk);
    ASSERT_FALSE(callback.progress.empty());
    int last = 0;
    for (const auto& p : callback.progress) {
        EXPECT_EQ(p.total, 300000u);
        EXPECT_EQ(p.userData, 3);
        EXPECT_EQ(p.speed, 0u);  // no 4-second window has closed yet
        EXPECT_GE(p.percent, last);
        last = p.percent;
    }
    EXPECT_EQ(last, 100);
}

TEST(Segments, ErrorPagesNeverBecomePackageData) {
    const std::string content = test::PatternBytes(200000);
    const std::string errorPage = "<html>Internal Server Error</html>";
    ScriptedHttpServer server([&](const HttpRequest& r) {
        if (r.index == 2)
            return HttpReply::Status("HTTP/1.1 500 Internal Server Error", "", errorPage);
        return test::ServeContent(r, content);
    });
    TempDir dir;
    EXPECT_EQ(Fetch(server, dir), kDownloadOk);  // the ranged segment tried again
    EXPECT_EQ(RangeLines(server).size(), 2u);
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);

    // A whole request answered with anything but 200 fails at once, and nothing of the answer is kept.
    ScriptedHttpServer noRanges([&](const HttpRequest& r) {
        if (r.index < 2)
            return HttpReply::Status("HTTP/1.1 200 OK", "Content-Length: 200000\r\n");
        return HttpReply::Status("HTTP/1.1 500 Internal Server Error", "", errorPage);
    });
    TempDir dir2;
    EXPECT_EQ(Fetch(noRanges, dir2), kDownloadHttpRefused);
    EXPECT_EQ(noRanges.Requests().size(), 3u);
    EXPECT_EQ(test::ReadFileBytes(dir2 / L"pkg.zip_tmp"), "");
    EXPECT_FALSE(test::FileExists(dir2 / L"pkg.zip"));
}

// Thread creation that fails on the third thread; keeps duplicates of the handles it made.
std::atomic<int> g_created{0};
std::vector<HANDLE> g_made;

HANDLE FailThirdThread(unsigned(__stdcall* body)(void*), void* argument) {
    if (g_created++ == 2)
        return nullptr;
    HANDLE h =
        reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, body, argument, CREATE_SUSPENDED, nullptr));
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), h, ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    g_made.push_back(copy);
    return h;
}

TEST(Segments, FailedThreadCreationLeavesNothingRunning) {
    ScriptedHttpServer server([](const HttpRequest&) { return HttpReply::Status("HTTP/1.1 500 X"); });
    TempDir dir;
    CHttpGet http(nullptr, TRUE, 0, FALSE);
    http.totalSize = 60000000;  // three segments
    http.rangesSupported = TRUE;
    http.createThread = FailThirdThread;
    EXPECT_FALSE(http.DownloadSegments(L"127.0.0.1", server.port(), L"/pkg.zip", dir / L"pkg.zip", L""));
    EXPECT_EQ(http.resultCode, kDownloadNoThread);
    EXPECT_FALSE(http.segments);
    ASSERT_EQ(g_made.size(), 2u);
    for (HANDLE h : g_made) {
        EXPECT_EQ(::WaitForSingleObject(h, 0), WAIT_OBJECT_0);  // the created threads have ended
        ::CloseHandle(h);
    }
    EXPECT_EQ(server.ConnectionCount(), 0);  // and did nothing
    EXPECT_FALSE(test::FileExists(dir / L"pkg.zip_0"));
}

}  // namespace
}  // namespace radu
