// Delivery of the install report to a listener on 127.0.0.1:80, and the queue file that keeps the reports
// no server took. Each test gets its own temporary folder through TMP.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/text.h"
#include "support/planted_links.h"
#include "support/port80_recorder.h"
#include "report/report.h"
#include "support/test_paths.h"

using radu::ReportFate;
using radu::test::Port80Recorder;
using radu::test::ReadFileBytes;
using radu::test::TempDir;

namespace {

constexpr char kLocalHost[] = "127.0.0.1";
constexpr char kOk[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
constexpr char kServerError[] =
    "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\nConnection: close\r\n\r\nerror";
constexpr char kBody[] = "type=100&time=2026-12-07 23:00:02&mac=00-1A-2B-3C-4D-5E\n&apkid=&AdditionalInfo=";

std::string LocalNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

// One queued section as the profile functions write it. The line feed inside the body ends a line of the
// file; whether the writer puts a carriage return before it is the platform's business.
std::string Section(const std::string& name, const std::string& body, const char* lineBreak) {
    std::string info = body;
    if (lineBreak[0] == '\r') {
        for (size_t at = info.find('\n'); at != std::string::npos; at = info.find('\n', at + 2))
            info.replace(at, 1, "\r\n");
    }
    return "[" + name + "]\r\ninfo=" + info + "\r\nUnSend=1\r\n";
}

class ReportDelivery : public ::testing::Test {
  protected:
    void SetUp() override {
        savedTmp = radu::test::Env(L"TMP");
        savedTemp = radu::test::Env(L"TEMP");
        UseTempFolder(temp.path());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TMP", savedTmp.empty() ? nullptr : savedTmp.c_str());
        SetEnvironmentVariableW(L"TEMP", savedTemp.empty() ? nullptr : savedTemp.c_str());
    }
    static void UseTempFolder(const std::wstring& folder) {
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
    }
    std::wstring QueueFile() const { return temp / L"FBResult.ini"; }

    TempDir temp;

  private:
    std::wstring savedTmp, savedTemp;
};

TEST_F(ReportDelivery, PostsTheFormWithTheStatedRequest) {
    Port80Recorder server(kOk);
    ASSERT_TRUE(server.listening()) << "cannot listen on 127.0.0.1:80, error " << server.bindError();
    char expectedMac[64] = {};
    radu::FormatAdapterMac(expectedMac);

    const std::string before = LocalNow();
    EXPECT_EQ(radu::SendReport(100, kLocalHost), ReportFate::kDelivered);
    const std::string after = LocalNow();

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& r = requests[0];
    EXPECT_EQ(r.head.substr(0, r.head.find("\r\n")), "POST /fbInfo/saveInfo HTTP/1.1");
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.Header("User-Agent"), "MyAgent");
    EXPECT_EQ(r.Header("Accept"), "Accept: */*");  // the one accept entry is a whole header line
    EXPECT_EQ(r.Header("Host"), "127.0.0.1");
    EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.body.size()));

    // type, local time in the classic form, the MAC with its line feed, two empty fields.
    const std::string head = "type=100&time=";
    ASSERT_EQ(r.body.compare(0, head.size(), head), 0) << r.body;
    const std::string time = r.body.substr(head.size(), 19);
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
    EXPECT_EQ(r.body.substr(head.size() + 19),
              std::string("&mac=") + expectedMac + "&apkid=&AdditionalInfo=");
    EXPECT_FALSE(radu::test::FileExists(QueueFile()));
}

TEST_F(ReportDelivery, BodyTravelsAsUtf8) {
    const wchar_t wide[] = L"AdditionalInfo=caf\u00e9";
    char ansi[64] = {};
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, &lossy);
    if (lossy)
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " has no accented letters";

    Port80Recorder server(kOk);
    ASSERT_TRUE(server.listening()) << "cannot listen on 127.0.0.1:80, error " << server.bindError();
    EXPECT_TRUE(radu::PostReport(ansi, kLocalHost));
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, "AdditionalInfo=caf\xC3\xA9");
}

TEST_F(ReportDelivery, AnErrorStatusStillCountsAsDelivered) {
    Port80Recorder server(kServerError);
    ASSERT_TRUE(server.listening()) << "cannot listen on 127.0.0.1:80, error " << server.bindError();
    EXPECT_EQ(radu::DeliverReport(kBody, kLocalHost), ReportFate::kDelivered);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, kBody);
    EXPECT_FALSE(radu::test::FileExists(QueueFile()));
}

TEST_F(ReportDelivery, WithNoListenerReportsAreQueuedInNumberedSections) {
    EXPECT_FALSE(radu::PostReport(kBody, kLocalHost));
    EXPECT_EQ(radu::DeliverReport(kBody, kLocalHost), ReportFate::kQueued);
    const std::string second = "type=100&time=2026-12-07 23:05:41&mac=\n&apkid=&AdditionalInfo=";
    EXPECT_EQ(radu::DeliverReport(second.c_str(), kLocalHost), ReportFate::kQueued);

    const std::string text = ReadFileBytes(QueueFile());
    bool matched = false;
    for (const char* lineBreak : {"\n", "\r\n"}) {
        const std::string expected =
            Section("1", kBody, lineBreak) + "[Number]\r\nKey=2\r\n" + Section("2", second, lineBreak);
        matched = matched || text == expected;
    }
    EXPECT_TRUE(matched) << text;
    EXPECT_EQ(GetPrivateProfileIntA("Number", "Key", 0, radu::Narrow(QueueFile()).c_str()), 2u);

    // A whole report built here goes the same way, into the next section.
    EXPECT_EQ(radu::SendReport(100, kLocalHost), ReportFate::kQueued);
    char info[1024] = {};
    GetPrivateProfileStringA("3", "info", "", info, sizeof info, radu::Narrow(QueueFile()).c_str());
    EXPECT_EQ(std::string(info).substr(0, 14), "type=100&time=");
}

TEST_F(ReportDelivery, QueueCarriesOnFromTheLastKey) {
    ASSERT_TRUE(radu::test::WriteFileBytes(QueueFile(), "[Number]\r\nKey=7\r\n"));
    EXPECT_TRUE(radu::QueueReport(kBody));
    const std::string text = ReadFileBytes(QueueFile());
    EXPECT_TRUE(text == "[Number]\r\nKey=8\r\n" + Section("8", kBody, "\n") ||
                text == "[Number]\r\nKey=8\r\n" + Section("8", kBody, "\r\n"))
        << text;

    // A key with no leading digits counts as 0.
    ASSERT_TRUE(radu::test::WriteFileBytes(QueueFile(), "[Number]\r\nKey=x7\r\n"));
    EXPECT_TRUE(radu::QueueReport("type=100"));
    EXPECT_EQ(ReadFileBytes(QueueFile()), "[Number]\r\nKey=1\r\n[1]\r\ninfo=type=100\r\nUnSend=1\r\n");
}

// Where the queue file is not a plain file at exactly its path, nothing is written (the report is lost),
// whatever the name leads to.
TEST_F(ReportDelivery, TheQueueIsNeverWrittenThroughALink) {
    using radu::test::LinkKind;
    struct Case {
        const char* what;
        bool linkedFolder;  // the temporary folder is the link, to a folder elsewhere; else the queue file
        LinkKind kind;
        bool targetThere;
    };
    const Case cases[] = {
        {"link to a file elsewhere", false, LinkKind::kSymbolic, true},
        {"link to a missing file", false, LinkKind::kSymbolic, false},
        {"second hard link", false, LinkKind::kHard, true},
        {"folder linked elsewhere, a queue there", true, LinkKind::kSymbolic, true},
        {"folder linked elsewhere, no queue yet", true, LinkKind::kSymbolic, false},
    };
    const std::string queued = "[Number]\r\nKey=5\r\n";
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring number = std::to_wstring(n++);
        const std::wstring elsewhere = temp / (L"elsewhere" + number + L"\\"),
                           linked = temp / (L"linked" + number);
        const std::wstring target = elsewhere + L"FBResult.ini";
        ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
        if (c.targetThere) {
            ASSERT_TRUE(radu::test::WriteFileBytes(target, queued));
        }
        if (c.linkedFolder) {
            ASSERT_TRUE(radu::test::PlantLink(linked, elsewhere, c.kind));
        } else {
            ASSERT_TRUE(CreateDirectoryW(linked.c_str(), nullptr));
            ASSERT_TRUE(radu::test::PlantLink(linked + L"\\FBResult.ini", target, c.kind)) << c.what;
        }
        UseTempFolder(linked + L"\\");
        EXPECT_FALSE(radu::QueueReport(kBody)) << c.what;
        EXPECT_EQ(ReadFileBytes(target), c.targetThere ? queued : "") << c.what;
        EXPECT_EQ(radu::test::FileExists(target), c.targetThere) << c.what;
        radu::test::RemoveLink(c.linkedFolder ? linked : linked + L"\\FBResult.ini");
    }
}

TEST_F(ReportDelivery, ATempFolderWithoutRoomForTheQueueFileQueuesNothing) {
    // Folders whose paths, with their closing backslash, take 247 and 248 bytes: "FBResult.ini" and its
    // terminator fit into 260 bytes after the first and not after the second.
    std::wstring base = temp.path();
    std::wstring fits = base + std::wstring(246 - base.size(), L'f') + L"\\";
    std::wstring tooLong = base + std::wstring(247 - base.size(), L'g') + L"\\";
    ASSERT_EQ(fits.size(), 247u);
    ASSERT_EQ(tooLong.size(), 248u);
    ASSERT_TRUE(CreateDirectoryW(fits.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(tooLong.c_str(), nullptr));

    const std::string base8 = radu::Narrow(base);
    const std::string fits8 = base8 + std::string(246 - base8.size(), 'f') + "\\";
    EXPECT_EQ(radu::QueueFilePath(fits8.c_str()), fits8 + "FBResult.ini");
    EXPECT_EQ(radu::QueueFilePath((fits8 + "g").c_str()), "");

    UseTempFolder(tooLong);
    EXPECT_FALSE(radu::QueueReport(kBody));
    EXPECT_EQ(radu::DeliverReport(kBody, kLocalHost), ReportFate::kLost);
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((tooLong + L"*").c_str(), &found);
    int entries = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
                ++entries;
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    EXPECT_EQ(entries, 0) << "something was written into the folder";
    EXPECT_FALSE(radu::test::FileExists(base + L"FBResult.ini"));

    UseTempFolder(fits);
    EXPECT_EQ(radu::DeliverReport(kBody, kLocalHost), ReportFate::kQueued);
    EXPECT_TRUE(radu::test::FileExists(fits + L"FBResult.ini"));
}

}  // namespace
