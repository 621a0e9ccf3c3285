// The download job end to end against a scripted server, and its file helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "download/download.h"
#include "download/md5_file.h"
#include "md5_reference.h"
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

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

TEST(Md5OfFile, KnownDigestsAndBlocks) {
    TempDir dir;
    const struct {
        std::string data;
        const char* digest;
    } known[] = {{"", "D41D8CD98F00B204E9800998ECF8427E"},
                 {"abc", "900150983CD24FB0D6963F7D28E17F72"},
                 {std::string(1000000, 'a'), "7707D6AE4E027C70EEA2A935C2296F21"}};
    for (const auto& k : known) {
        ASSERT_TRUE(test::WriteFileBytes(dir / L"f", k.data));
        EXPECT_EQ(Md5OfFile((dir / L"f").c_str()), test::Wide(k.digest));
    }
    // Larger than one read block, and not a multiple of it.
    std::string big = test::PatternBytes(2621441);
    ASSERT_TRUE(test::WriteFileBytes(dir / L"big", big));
    EXPECT_EQ(Md5OfFile((dir / L"big").c_str()), test::Wide(Upper(test::ReferenceMd5(big))));
    EXPECT_EQ(Md5OfFile((dir / L"missing").c_str()), L"");
}

class DigestJob : public ::testing::Test {
  protected:
    // /pkg.zip?... serves the content; /go answers 302 to "/pkg.zip?md5=" + suffix.
    int FetchWithDigest(const std::string& suffix) {
        ScriptedHttpServer* self = nullptr;
        ScriptedHttpServer server([&](const HttpRequest& r) {
            if (r.path == "/go")
                return HttpReply::Status("HTTP/1.1 302 Found",
                                         "Location: " + self->Url("/pkg.zip?md5=" + suffix) + "\r\n");
            return test::ServeContent(r, content);
        });
        self = &server;
        return DownloadFile(test::Wide(server.Url("/go")).c_str(), dir.path().c_str(), nullptr, 0, TRUE,
                            FALSE, FALSE);
    }
    std::string content = test::PatternBytes(70000);
    std::string digest = test::ReferenceMd5(content);
    TempDir dir;
};

TEST_F(DigestJob, LowerCaseDigestVerifies) {
    EXPECT_EQ(FetchWithDigest(digest), kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
}

TEST_F(DigestJob, UpperCaseDigestVerifies) {
    EXPECT_EQ(FetchWithDigest(Upper(digest)), kDownloadOk);
}

TEST_F(DigestJob, TheDigestEndsAtTheNextParameter) {
    EXPECT_EQ(FetchWithDigest(digest + "&x=1"), kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(dir / L"pkg.zip"), content);
    EXPECT_FALSE(test::FileExists(dir / L"pkg.zip_0"));
}

TEST_F(DigestJob, WrongDigestDeletesTheTarget) {
    std::string wrong = digest;
    wrong[0] = wrong[0] == '0' ? '1' : '0';
    EXPECT_EQ(FetchWithDigest(wrong), kDownloadDigestMismatch);
    EXPECT_FALSE(test::FileExists(dir / L"pkg.zip"));
}

TEST(DownloadJob, AnExistingTargetIsKeptUnlessItFailsTheDigest) {
    const std::string content = test::PatternBytes(5000);
    const std::string digest = test::ReferenceMd5(content);
    ScriptedHttpServer server([&](const HttpRequest& r) { return test::ServeContent(r, content); });
    TempDir dir;
    const std::wstring target = dir / L"pkg.zip";
    auto fetch = [&](const std::string& query, RecordingCallBack* callback, BOOL overwrite) {
        return DownloadFile(test::Wide(server.Url("/pkg.zip" + query)).c_str(), dir.path().c_str(), callback,
                            9, TRUE, overwrite, FALSE);
    };

    // Without a digest to check it against, whatever is there is used as it is.
    ASSERT_TRUE(test::WriteFileBytes(target, "old"));
    RecordingCallBack callback;
    EXPECT_EQ(fetch("", &callback, FALSE), kDownloadTargetExists);
    EXPECT_EQ(callback.targets, std::vector<std::wstring>{target});
    EXPECT_EQ(callback.targetUserData, 9);
    EXPECT_EQ(test::ReadFileBytes(target), "old");
    EXPECT_EQ(server.Requests().size(), 2u);  // probes only

    // One that is not the package the digest names (a cut-off one, say) is fetched anew.
    ASSERT_TRUE(test::WriteFileBytes(target, content.substr(0, 3000)));
    EXPECT_EQ(fetch("?md5=" + digest, nullptr, FALSE), kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(target), content);
    const size_t requests = server.Requests().size();
    EXPECT_EQ(fetch("?md5=" + digest, nullptr, FALSE), kDownloadTargetExists);  // now it matches
    EXPECT_EQ(server.Requests().size(), requests + 2);

    // Allowed to replace it, the engine downloads again.
    ASSERT_TRUE(test::WriteFileBytes(target, "old"));
    EXPECT_EQ(fetch("", nullptr, TRUE), kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(target), content);
}

// Named by its caller, a download is stored under that name wherever the redirects end: no file of another
// name in the destination is created, changed or deleted, not even on a digest mismatch.
TEST(DownloadJob, TheCallersNameStandsWhateverTheServerNames) {
    const std::string content = test::PatternBytes(5000), digest = test::ReferenceMd5(content);
    std::string location;
    ScriptedHttpServer* self = nullptr;
    ScriptedHttpServer server([&](const HttpRequest& r) {
        if (r.path == "/go")
            return HttpReply::Status("HTTP/1.1 302 Found", "Location: " + self->Url(location) + "\r\n");
        return test::ServeContent(r, content);
    });
    self = &server;
    TempDir dir;
    const std::string queue = "[Number]\r\nKey=1\r\n";
    ASSERT_TRUE(test::WriteFileBytes(dir / L"FBResult.ini", queue));
    const struct {
        std::string location;
        int result;
    } rows[] = {
        {"/x/FBResult.ini?md5=" + digest, kDownloadOk},
        {"/x/FBResult.ini?md5=" + std::string(32, '0'), kDownloadDigestMismatch},
        {"/x/..\\FBResult.ini?md5=" + digest, kDownloadOk},
        {"/x/", kDownloadBadAddress},
    };
    const std::wstring go = test::Wide(server.Url("/go")), package = dir / L"VaruPhoneAx.zip";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.location);
        location = row.location;
        DeleteFileW(package.c_str());
        EXPECT_EQ(
            DownloadNamedFile(go.c_str(), dir.path().c_str(), L"VaruPhoneAx.zip", nullptr, 0, TRUE, FALSE),
            row.result);
        EXPECT_EQ(test::ReadFileBytes(dir / L"FBResult.ini"), queue);
        EXPECT_TRUE(test::ReadFileBytes(package) == (row.result == kDownloadOk ? content : ""));
        for (const test::FoundFile& f : test::ListFiles(dir.path()))
            EXPECT_TRUE(f.path == dir / L"FBResult.ini" || f.path == package) << f.path;
    }
    // A name of the caller's that is not a plain name, or no folder to put it in: nothing is asked for.
    const int connections = server.ConnectionCount();
    EXPECT_EQ(DownloadNamedFile(go.c_str(), dir.path().c_str(), L"..\\x.zip", nullptr, 0, TRUE, FALSE),
              kDownloadBadDestination);
    EXPECT_EQ(DownloadNamedFile(go.c_str(), L"", L"x.zip", nullptr, 0, TRUE, FALSE), kDownloadBadDestination);
    EXPECT_EQ(server.ConnectionCount(), connections);
}

TEST(DownloadJob, MissingArgumentsAndFolders) {
    ScriptedHttpServer server([](const HttpRequest& r) { return test::ServeContent(r, "abc"); });
    TempDir dir;
    EXPECT_EQ(DownloadFile(nullptr, dir.path().c_str(), nullptr, 0, TRUE, FALSE, FALSE),
              kDownloadBadDestination);
    EXPECT_EQ(DownloadFile(test::Wide(server.Url("/a.zip")).c_str(), nullptr, nullptr, 0, TRUE, FALSE, FALSE),
              kDownloadBadDestination);
    EXPECT_EQ(server.ConnectionCount(), 0);

    std::wstring deep = dir / L"one\\two\\three\\";
    EXPECT_EQ(
        DownloadFile(test::Wide(server.Url("/a.zip")).c_str(), deep.c_str(), nullptr, 0, TRUE, FALSE, FALSE),
        kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(deep + L"a.zip"), "abc");

    // Extension mode names the target after the destination and the file's extension.
    EXPECT_EQ(DownloadFile(test::Wide(server.Url("/dir/a.zip")).c_str(), (dir / L"saved").c_str(), nullptr, 0,
                           TRUE, FALSE, TRUE),
              kDownloadOk);
    EXPECT_EQ(test::ReadFileBytes(dir / L"saved.zip"), "abc");

    // A file standing where the folder should be.
    ASSERT_TRUE(test::WriteFileBytes(dir / L"blocker", "x"));
    EXPECT_EQ(DownloadFile(test::Wide(server.Url("/a.zip")).c_str(), (dir / L"blocker\\sub\\").c_str(),
                           nullptr, 0, TRUE, FALSE, FALSE),
              kDownloadBadDestination);
}

TEST(DeleteDownload, PartFilesUpToTheFirstGap) {
    TempDir dir;
    for (const wchar_t* name : {L"p.zip", L"p.zip_0", L"p.zip_1", L"p.zip_3", L"p.zip_tmp", L"p.zip_join"})
        ASSERT_TRUE(test::WriteFileBytes(dir / name, "x"));
    EXPECT_EQ(DeleteDownload((dir / L"p.zip").c_str()), 1);
    for (const wchar_t* gone : {L"p.zip", L"p.zip_0", L"p.zip_1", L"p.zip_tmp", L"p.zip_join"})
        EXPECT_FALSE(test::FileExists(dir / gone)) << gone;
    EXPECT_TRUE(test::FileExists(dir / L"p.zip_3"));

    ASSERT_TRUE(test::WriteFileBytes(dir / L"q.zip_1", "x"));  // only part 1: the gap at 0 ends the search
    EXPECT_EQ(DeleteDownload((dir / L"q.zip").c_str()), 1);
    EXPECT_TRUE(test::FileExists(dir / L"q.zip_1"));
    EXPECT_EQ(DeleteDownload(nullptr), 0);
}

TEST(CreateDirectoryTree, LevelsRootsAndLimits) {
    TempDir dir;
    EXPECT_TRUE(CreateDirectoryTree((dir / L"a\\b\\c").c_str(), nullptr));
    EXPECT_TRUE(test::DirExists(dir / L"a\\b\\c"));
    EXPECT_TRUE(CreateDirectoryTree((dir / L"a\\b\\c").c_str(), nullptr));  // already there
    EXPECT_FALSE(CreateDirectoryTree(L"", nullptr));
    EXPECT_FALSE(CreateDirectoryTree(L"relative\\path", nullptr));  // no root
    std::wstring tooLong = dir.path() + std::wstring(260, L'x');
    ::SetLastError(0);
    EXPECT_FALSE(CreateDirectoryTree(tooLong.c_str(), nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
}

}  // namespace
}  // namespace radu
