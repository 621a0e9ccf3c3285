// Downloads from a real web server (nginx on loopback, started by the test environment), reached through a
// redirect that hands out the expected digest.
#include <gtest/gtest.h>

#include "download/download.h"
#include "md5_reference.h"
#include "recording_callback.h"
#include "support/test_paths.h"

namespace radu {
namespace {

using test::TempDir;

class NginxDownload : public ::testing::Test {
  protected:
    void SetUp() override {
        port = test::Env(L"RADU_NGINX_PORT");
        root = test::Env(L"RADU_NGINX_ROOT");
        ASSERT_FALSE(port.empty()) << "the test environment starts nginx";
    }
    // Publishes content under name and returns the address that redirects to it with its digest.
    std::wstring Publish(const std::wstring& name, const std::string& content) {
        EXPECT_TRUE(test::WriteFileBytes(root + L"\\" + name, content));
        std::string digest = test::ReferenceMd5(content);
        return L"http://127.0.0.1:" + port + L"/md5/" + std::wstring(digest.begin(), digest.end()) + L"/" +
               name;
    }
    std::wstring port, root;
};

TEST_F(NginxDownload, SingleSegment) {
    std::string content = test::PatternBytes(1500000, 11);
    std::wstring url = Publish(L"single.bin", content);
    TempDir dir;
    EXPECT_EQ(DownloadFile(url.c_str(), dir.path().c_str(), nullptr, 0, FALSE, FALSE, FALSE), kDownloadOk);
    EXPECT_TRUE(test::ReadFileBytes(dir / L"single.bin") == content);
}

TEST_F(NginxDownload, TwoSegments) {
    std::string content = test::PatternBytes(5242881 + 4099, 12);
    std::wstring url = Publish(L"multi.bin", content);
    TempDir dir;
    test::RecordingCallBack callback;
    EXPECT_EQ(DownloadFile(url.c_str(), dir.path().c_str(), &callback, 0, TRUE, FALSE, FALSE), kDownloadOk);
    EXPECT_TRUE(test::ReadFileBytes(dir / L"multi.bin") == content);
    ASSERT_FALSE(callback.progress.empty());
    EXPECT_EQ(callback.progress.back().percent, 100);
    EXPECT_FALSE(test::FileExists(dir / L"multi.bin_0"));
    EXPECT_FALSE(test::FileExists(dir / L"multi.bin_1"));
}

TEST_F(NginxDownload, CorruptedOnTheServer) {
    std::string content = test::PatternBytes(200000, 13);
    std::wstring url = Publish(L"corrupt.bin", content);
    content[100] ^= 1;
    ASSERT_TRUE(test::WriteFileBytes(root + L"\\corrupt.bin", content));  // digest no longer matches
    TempDir dir;
    EXPECT_EQ(DownloadFile(url.c_str(), dir.path().c_str(), nullptr, 0, TRUE, FALSE, FALSE),
              kDownloadDigestMismatch);
    EXPECT_FALSE(test::FileExists(dir / L"corrupt.bin"));
}

}  // namespace
}  // namespace radu
