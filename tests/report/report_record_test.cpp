// The report record, its form body and the text conversions of the report's delivery.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "report/report.h"

using radu::CMakePackage;

namespace {

bool AllZero(const char* field, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (field[i] != '\0')
            return false;
    }
    return true;
}

std::string TimeText(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

// UTC now, moved by minutes.
std::string ShiftedUtcNow(int minutes) {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER v;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    v.QuadPart += static_cast<ULONGLONG>(minutes) * 60 * 10000000ULL;
    ft.dwLowDateTime = v.LowPart;
    ft.dwHighDateTime = v.HighPart;
    SYSTEMTIME st;
    FileTimeToSystemTime(&ft, &st);
    return TimeText(st);
}

// The first adapter's address as the system lists it, read with a buffer as large as the list needs;
// empty when there is no list or the list is longer than 3240 bytes.
std::string ExpectedMac() {
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size > 3240)
        return {};
    std::vector<IP_ADAPTER_INFO> list(size / sizeof(IP_ADAPTER_INFO) + 1);
    size = static_cast<ULONG>(list.size() * sizeof(IP_ADAPTER_INFO));
    if (GetAdaptersInfo(list.data(), &size) != ERROR_SUCCESS)
        return {};
    static const char kHex[] = "0123456789ABCDEF";
    std::string mac;
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            mac += '-';
        mac += kHex[list[0].Address[i] >> 4];
        mac += kHex[list[0].Address[i] & 15];
    }
    return mac + "\n";
}

}  // namespace

TEST(ReportRecord, StartsEmptyAndBuildFillsTimeThenMacThroughOverrides) {
    struct Recording : CMakePackage {
        std::string calls;
        void FillTime() override { calls += "time "; }
        void FillMac() override { calls += "mac "; }
    };
    Recording record;
    EXPECT_TRUE(AllZero(record.time, sizeof record.time));
    EXPECT_TRUE(AllZero(record.mac, sizeof record.mac));
    EXPECT_TRUE(AllZero(record.apkid, sizeof record.apkid));
    EXPECT_TRUE(AllZero(record.AdditionalInfo, sizeof record.AdditionalInfo));

    CMakePackage& base = record;
    base.Build(100);
    EXPECT_EQ(record.type, 100);
    EXPECT_EQ(record.calls, "time mac ");
    EXPECT_EQ(radu::FormatReportBody(record), "type=100&time=&mac=&apkid=&AdditionalInfo=");
}

TEST(ReportRecord, SettersWalkABlockOfTextsAndCutLongOnes) {
    // A field after the record shows whether a setter writes past the end of the last field.
    struct Guarded : CMakePackage {
        char guard[16];
    };
    Guarded record;
    std::memset(record.guard, 'G', sizeof record.guard);

    const char block[] = "a\0bc\0";
    const char* next = record.SetApkid(block);
    EXPECT_STREQ(record.apkid, "a");
    EXPECT_EQ(next, block + 2);
    next = record.SetAdditionalInfo(next);
    EXPECT_STREQ(record.AdditionalInfo, "bc");
    EXPECT_EQ(next, block + 5);

    const std::string exact(63, 'x');
    EXPECT_EQ(record.SetApkid(exact.c_str()), exact.c_str() + 64);
    EXPECT_EQ(std::string(record.apkid), exact);

    const std::string longId(100, 'y');
    EXPECT_EQ(record.SetApkid(longId.c_str()), longId.c_str() + 101);
    EXPECT_EQ(std::string(record.apkid), std::string(63, 'y'));
    EXPECT_STREQ(record.AdditionalInfo, "bc");  // the next field is untouched

    const std::string longInfo(300, 'z');
    EXPECT_EQ(record.SetAdditionalInfo(longInfo.c_str()), longInfo.c_str() + 301);
    EXPECT_EQ(std::string(record.AdditionalInfo), std::string(255, 'z'));
    EXPECT_EQ(std::string(record.guard, sizeof record.guard), std::string(16, 'G'));

    EXPECT_EQ(record.SetApkid(nullptr), nullptr);
    EXPECT_EQ(std::string(record.apkid), std::string(63, 'y'));
}

TEST(ReportRecord, TimeIsLocalTimeWithoutZone) {
    // A zone five and a half hours east of UTC, whatever the machine's own zone is.
    _putenv("TZ=RDT-05:30");
    _tzset();
    const std::string before = ShiftedUtcNow(330);
    CMakePackage record;
    record.FillTime();
    const std::string after = ShiftedUtcNow(330);
    _putenv("TZ=");
    _tzset();

    const std::string time = record.time;
    ASSERT_EQ(time.size(), 19u) << time;
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
}

TEST(ReportRecord, MacIsTheFirstListedAdapterInCapitalsWithALineFeed) {
    const std::string expected = ExpectedMac();
    char destination[64];
    std::memset(destination, 0, sizeof destination);
    EXPECT_EQ(radu::FormatAdapterMac(destination), 0);
    EXPECT_EQ(std::string(destination), expected);
    if (!expected.empty()) {
        EXPECT_EQ(expected.size(), 18u);
        EXPECT_TRUE(AllZero(destination + 19, sizeof destination - 19));
    }

    CMakePackage record;
    record.Build(100);
    EXPECT_EQ(std::string(record.mac), expected);
    EXPECT_EQ(std::strlen(record.time), 19u);
}

TEST(ReportBody, FieldsGoInAsTheyAreAndAFullRecordFits) {
    CMakePackage record;
    record.type = 100;
    std::strcpy(record.time, "2026-12-07 23:00:02");
    std::strcpy(record.mac, "00-1A-2B-3C-4D-5E\n");
    EXPECT_EQ(radu::FormatReportBody(record),
              "type=100&time=2026-12-07 23:00:02&mac=00-1A-2B-3C-4D-5E\n&apkid=&AdditionalInfo=");
    record.mac[0] = '\0';
    record.SetApkid("com.example.app");
    record.SetAdditionalInfo("a b&c=d");
    EXPECT_EQ(radu::FormatReportBody(record),
              "type=100&time=2026-12-07 23:00:02&mac=&apkid=com.example.app&AdditionalInfo=a b&c=d");

    // Every field at its limit: 494 bytes, nothing cut.
    record.type = -2147483647 - 1;
    const std::string t(63, 't'), m(63, 'm'), a(63, 'a'), i(255, 'i');
    std::strcpy(record.time, t.c_str());
    std::strcpy(record.mac, m.c_str());
    record.SetApkid(a.c_str());
    record.SetAdditionalInfo(i.c_str());
    const std::string body = radu::FormatReportBody(record);
    EXPECT_EQ(body.size(), 494u);
    EXPECT_EQ(body, "type=-2147483648&time=" + t + "&mac=" + m + "&apkid=" + a + "&AdditionalInfo=" + i);
}

TEST(ReportText, AnsiTextComesOutAsUtf8) {
    // Text the ANSI code page can spell: an accented letter and a u with diaeresis.
    const wchar_t wide[] = L"caf\u00e9 \u00fc";
    char ansi[32] = {};
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, &lossy);
    if (lossy)
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " has no accented letters";

    radu::WideText asWide = radu::AnsiToWide(ansi);
    EXPECT_EQ(asWide.error, nullptr);
    EXPECT_EQ(asWide.text, wide);
    radu::NarrowText utf8 = radu::AnsiToUtf8(ansi);
    EXPECT_EQ(utf8.error, nullptr);
    EXPECT_EQ(utf8.text, "caf\xC3\xA9 \xC3\xBC");
    EXPECT_EQ(radu::WideToUtf8(L"\u5b89\u88c5").text, "\xE5\xAE\x89\xE8\xA3\x85");

    radu::NarrowText empty = radu::AnsiToUtf8("");
    EXPECT_EQ(empty.error, nullptr);
    EXPECT_EQ(empty.text, "");
    EXPECT_STREQ(radu::AnsiToUtf8(nullptr).error, "Error in conversion.");
    EXPECT_STREQ(radu::WideToUtf8(nullptr).error, "Error in conversion.");
}
