// Entry names and extended timestamps: the cases no archive in the other tests reaches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/entry_meta.h"
#include "extract/entry_name.h"

namespace radu {
namespace {

TEST(EntryName, SanitisingRulesApplyInOrderUntilNoneIsLeft) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\a\\b.txt", L"a\\b.txt"},
        {L"a/../b.txt", L"b.txt"},
        {L"a/../c/../d.txt", L"d.txt"},
        {L"/etc/z", L"etc/z"},
        {L"\\\\server\\share\\f", L"server\\share\\f"},
        {L"C:/D:\\x", L"x"},        // drive, separator, drive again
        {L"a/..\\b\\..\\c", L"c"},  // "\..\" is looked for before "/..\"
        {L"a\\../b/../c", L"c"},    // "\../", then "/../" on the next pass
        {L"a/b/../../c", L"../c"},  // a leading ".." is left for the path check
        {L"x:", L""},
        {L"plain/name.txt", L"plain/name.txt"},
    };
    for (const auto& [in, want] : cases) {
        std::wstring got = SanitiseEntryName(in);
        // The result is a fixed point: one more pass changes nothing.
        EXPECT_EQ(got, want) << in;
        EXPECT_EQ(SanitiseEntryName(got), got) << in;
    }
}

TEST(EntryName, UnsafeNamesAreRecognised) {
    for (const wchar_t* bad :
         {L"..", L"../x", L"a\\..", L"a/../b", L".. /x", L"a/.../b", L"x\\. .\\y", L"f.txt:stream", L"con",
          L"CON.txt", L"dir/aux/x", L"Nul.tar.gz", L"com1", L"LPT9.log", L"prn ", L"aux .txt", L"COM\u00B9",
          L"lpt\u00B2.txt", L"dir/Com\u00B3/x"}) {
        EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
    }
    for (const wchar_t* good : {L"a.txt", L"./a.txt", L"a/b/c", L"..a/b", L"a../b", L"console.txt", L"com10",
                                L"com0", L"lpt", L"nul_x", L"中文/文件.txt", L"dir/", L"com\u2074"}) {
        EXPECT_TRUE(IsSafeEntryName(good)) << good;
    }
}

std::vector<unsigned char> Bytes(std::initializer_list<int> b) {
    return {b.begin(), b.end()};
}

TEST(EntryMeta, ExtendedTimestampBlock) {
    // UT first, last-write and last-access (as Info-ZIP writes the local field), then another block.
    auto a = Bytes({'U', 'T', 9, 0, 3, 0x00, 0x10, 0x5E, 0x5F, 0x64, 0x10, 0x5E, 0x5F, 'u', 'x', 0, 0});
    ExtendedTimestamp ut = ParseExtendedTimestamp(a.data(), a.size());
    EXPECT_TRUE(ut.hasMtime && ut.hasAtime && !ut.hasCtime);
    EXPECT_EQ(ut.mtime, UnixTimeToFileTime(1600000000));
    EXPECT_EQ(ut.atime, UnixTimeToFileTime(1600000100));

    // UT after another block, all three times; then the creation time lands in ctime.
    auto b = Bytes({0xFE, 0xCA, 2, 0, 9, 9, 'U', 'T', 13, 0, 7, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0});
    ut = ParseExtendedTimestamp(b.data(), b.size());
    EXPECT_EQ(ut.mtime, UnixTimeToFileTime(1));
    EXPECT_EQ(ut.atime, UnixTimeToFileTime(2));
    EXPECT_EQ(ut.ctime, UnixTimeToFileTime(3));

    // Last-write time only; and flags that promise more than the block holds.
    auto c = Bytes({'U', 'T', 5, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF});
    ut = ParseExtendedTimestamp(c.data(), c.size());
    EXPECT_TRUE(ut.hasMtime && !ut.hasAtime && !ut.hasCtime);
    EXPECT_EQ(ut.mtime, UnixTimeToFileTime(-1));
    auto d = Bytes({'U', 'T', 5, 0, 7, 1, 0, 0, 0, 'x', 'y', 0, 0});
    ut = ParseExtendedTimestamp(d.data(), d.size());
    EXPECT_TRUE(ut.hasMtime && !ut.hasAtime && !ut.hasCtime);

    // No UT block, a block running past the end, a field of four bytes or less: nothing.
    for (auto e : {Bytes({'u', 'x', 2, 0, 1, 2, 'U', 'T', 0}),
                   Bytes({'x', 'y', 0xFF, 0xFF, 'U', 'T', 5, 0, 1}), Bytes({'U', 'T', 0, 0})}) {
        ut = ParseExtendedTimestamp(e.data(), e.size());
        EXPECT_FALSE(ut.hasMtime || ut.hasAtime || ut.hasCtime);
    }
}

}  // namespace
}  // namespace radu
