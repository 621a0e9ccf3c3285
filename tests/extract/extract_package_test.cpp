// The driver: messages and error boxes in their order, and what ends up on disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract/extract_test_support.h"
#include "extract/zip_archive.h"
#include "support/test_paths.h"

namespace radu {
namespace {

using Lines = std::vector<std::wstring>;
using test::ArchivePath;
using test::ProgressLines;
using test::ReadFileBytes;
using test::TempDir;

Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ExtractPackage, InfoZipTreeUnpacksWithNamesAttributesAndTimes) {
    TempDir dir;
    std::wstring dest = dir / L"dest";  // created by the first entry
    test::UnpackLog log;
    EXPECT_EQ(log.Run(ArchivePath(L"infozip_tree.zip"), dest), Concat(ProgressLines(10, 9), {L"11112"}));
    dest += L"\\";
    // Info-ZIP's local UT block holds the last-write and last-access times (checked before any read).
    for (const wchar_t* f : {L"docs\\readme.txt", L"bin\\data.bin"}) {
        test::FileTimes t = test::GetTimes(dest + f);
        EXPECT_EQ(t.written, test::UnixTicks(1600000000)) << f;
        EXPECT_EQ(t.accessed, test::UnixTicks(1600000100)) << f;
    }
    std::wstring tree = ArchivePath(L"tree\\");
    for (const wchar_t* f :
         {L"docs\\readme.txt", L"docs\\中文名称.txt", L"bin\\data.bin", L"empty.txt", L"readonly.txt"}) {
        EXPECT_TRUE(test::FileExists(dest + f)) << f;
        EXPECT_EQ(ReadFileBytes(dest + f), ReadFileBytes(tree + f)) << f;
    }
    EXPECT_TRUE(test::DirExists(dest + L"深\\层\\空文件夹"));
    EXPECT_EQ(test::Attributes(dest + L"readonly.txt") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(test::Attributes(dest + L"docs\\readme.txt") & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesW((dest + L"readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ExtractPackage, ZipfileArchiveWithEmptyEntriesCompletes) {
    TempDir dir;
    test::UnpackLog log;
    // The last entry is empty: it yields no data, and still counts as unpacked.
    EXPECT_EQ(log.Run(ArchivePath(L"python_mix.zip"), dir.path()), Concat(ProgressLines(10, 9), {L"11112"}));
    EXPECT_EQ(ReadFileBytes(dir / L"stored.txt"), "stored bytes\n");
    EXPECT_EQ(ReadFileBytes(dir / L"deflated.txt").size(), 50000u);
    EXPECT_EQ(ReadFileBytes(dir / L"中文目录\\子文件.txt"), "内容");
    for (const wchar_t* f : {L"zero_stored.txt", L"zero_deflated.txt"}) {
        EXPECT_TRUE(test::FileExists(dir / f)) << f;
        EXPECT_EQ(ReadFileBytes(dir / f), "") << f;
    }
    // DOS time as local time of the zone; UT last-write time; UT after another block.
    EXPECT_EQ(test::GetTimes(dir / L"stored.txt").written,
              test::UnixTicks(1557097690));  // 2019-05-05 23:08:10Z
    EXPECT_EQ(test::GetTimes(dir / L"ut_mtime_only.txt").written, test::UnixTicks(1500000000));
    EXPECT_EQ(test::GetTimes(dir / L"ut_second_block.txt").written, test::UnixTicks(1400000000));
    EXPECT_EQ(test::GetTimes(dir / L"ut_second_block.txt").accessed, test::UnixTicks(1400000100));
    EXPECT_EQ(test::Attributes(dir / L"dos\\hidden.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(
        test::Attributes(dir / L"dos\\system_ro.txt") & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY),
        static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    SetFileAttributesW((dir / L"dos\\system_ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ExtractPackage, EmptyArchivePostsDoneOnly) {
    TempDir dir;
    test::UnpackLog log;
    EXPECT_EQ(log.Run(ArchivePath(L"empty.zip"), dir.path()), Lines{L"11112"});
}

struct FailureCase {
    const wchar_t* archive;
    Lines expected;
};

// Every stage of failure: the box first, then the failure message, then the end.
TEST(ExtractPackage, FailuresShowTheBoxThenPostTheStage) {
    const Lines open = {L"box 打开压缩包解压路径出错!", L"11110 1", L"11112"};
    auto entry = [](int n, int i, const wchar_t* code, int stage) {
        return Concat(ProgressLines(n, i), {std::wstring(L"box 未解压完全!") + code,
                                            L"11110 " + std::to_wstring(stage), L"11112"});
    };
    const FailureCase cases[] = {
        {L"missing.zip", open},
        {L"not_a_zip.zip", open},
        {L"truncated.zip", open},
        {L"too_many.zip", {L"box 获取压缩包对象出错!", L"11110 3", L"11112"}},
        {L"mismatch_middle.zip", entry(3, 1, L"1792", 4)},
        {L"mismatch_last.zip", entry(3, 2, L"1792", 4)},
        {L"method12.zip", entry(3, 1, L"1792", 4)},
        {L"method14.zip", entry(3, 1, L"1792", 4)},
        {L"bad_extra.zip", entry(3, 1, L"2048", 4)},
        {L"encrypted.zip", entry(2, 0, L"4096", 5)},
        {L"bad_crc_middle.zip", entry(3, 1, L"83886080", 5)},
        {L"bad_crc_last.zip", entry(3, 2, L"83886080", 5)},
        {L"bad_data.zip", entry(3, 1, L"83886080", 5)},
        {L"unsafe.zip", entry(18, 0, L"512", 5)},
    };
    for (const FailureCase& c : cases) {
        TempDir dir;
        test::UnpackLog log;
        EXPECT_EQ(log.Run(ArchivePath(c.archive), dir.path()), c.expected) << c.archive;
    }
    test::UnpackLog log;
    EXPECT_EQ(log.Run(ArchivePath(L"python_mix.zip"), L"C:\\" + std::wstring(257, L'x')),
              (Lines{L"box 设置解压路径出错!", L"11110 2", L"11112"}));
}

TEST(ExtractPackage, PartialOutputStays) {
    TempDir dir;
    test::UnpackLog log;
    log.Run(ArchivePath(L"bad_crc_middle.zip"), dir.path());
    // The entry whose CRC does not match was written in full and stays; nothing after it is written.
    EXPECT_EQ(ReadFileBytes(dir / L"one.txt").size(), 200u);
    EXPECT_EQ(ReadFileBytes(dir / L"two.txt").size(), 200u);
    EXPECT_FALSE(test::FileExists(dir / L"three.txt"));

    TempDir enc;
    log.Run(ArchivePath(L"encrypted.zip"), enc.path());
    EXPECT_TRUE(test::FileExists(enc / L"secret.txt"));
    EXPECT_EQ(ReadFileBytes(enc / L"secret.txt"), "");
    EXPECT_FALSE(test::FileExists(enc / L"plain.txt"));

    TempDir mismatch;
    log.Run(ArchivePath(L"mismatch_middle.zip"), mismatch.path());
    EXPECT_EQ(test::ListTree(mismatch.path()), (std::set<std::wstring>{L"one.txt"}));
}

TEST(ExtractPackage, LockedOutputFileFailsWith512) {
    TempDir dir;
    HANDLE held = CreateFileW((dir / L"a.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    test::UnpackLog log;
    EXPECT_EQ(log.Run(ArchivePath(L"locked.zip"), dir.path()),
              (Lines{L"11111 0 2", L"box 未解压完全!512", L"11110 5", L"11112"}));
    CloseHandle(held);
    EXPECT_FALSE(test::FileExists(dir / L"b.txt"));
}

TEST(ExtractPackage, DestinationWithMissingParentFailsEveryFile) {
    TempDir dir;
    std::wstring dest = dir / L"missing\\dest\\";
    test::UnpackLog log;
    EXPECT_EQ(log.Run(ArchivePath(L"locked.zip"), dest),
              (Lines{L"11111 0 2", L"box 未解压完全!512", L"11110 5", L"11112"}));
    ZipArchive* a = openArchive(ArchivePath(L"python_mix.zip").c_str());
    ASSERT_EQ(setBaseDir(a, dest.c_str()), ZR_OK);
    for (int i = 0; i < 10; ++i) {
        ZipEntry e;
        ASSERT_EQ(getItem(a, i, &e), ZR_OK);
        if (!(e.attr & FILE_ATTRIBUTE_DIRECTORY)) {
            EXPECT_EQ(unzipItem(a, i, e.name), ZR_OPEN_FAILED) << e.name;
        }
    }
    closeArchive(a);
    EXPECT_TRUE(test::ListTree(dir.path()).empty());
}

}  // namespace
}  // namespace radu
