// The reader on archives made by real archivers: entries, names, attributes, times, results, and the
// refusal of names that would leave the destination.
#include <gtest/gtest.h>

#include <string>

#include "extract/extract_test_support.h"
#include "extract/zip_archive.h"
#include "support/planted_links.h"
#include "support/test_paths.h"

namespace radu {
namespace {

using test::ArchivePath;
using test::ListTree;
using test::TempDir;
using test::UnixTicks;

class Archive {
  public:
    explicit Archive(const std::wstring& name) : archive(openArchive(ArchivePath(name).c_str())) {}
    ~Archive() {
        if (archive)
            closeArchive(archive);
    }
    ZipArchive* get() const { return archive; }
    int Count() {
        ZipEntry e;
        EXPECT_EQ(getItem(archive, -1, &e), ZR_OK);
        return e.index;
    }
    ZipEntry Item(int i) {
        ZipEntry e;
        EXPECT_EQ(getItem(archive, i, &e), ZR_OK) << i;
        return e;
    }

  private:
    ZipArchive* archive;
};

// Local time of the test zone (UTC+8) to UTC ticks.
uint64_t ShanghaiTicks(int y, int mo, int d, int h, int mi, int s) {
    SYSTEMTIME st = {
        static_cast<WORD>(y),  static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
        static_cast<WORD>(mi), static_cast<WORD>(s),  0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return test::Ticks(ft) - 8ull * 3600 * 10000000;
}

TEST(ZipArchive, BadArgumentsAndUnopenableFiles) {
    ZipResult r = ZR_OK;
    EXPECT_EQ(openArchive(ArchivePath(L"missing.zip").c_str(), &r), nullptr);
    EXPECT_EQ(r, ZR_OPEN_FAILED);
    for (const wchar_t* name : {L"not_a_zip.zip", L"truncated.zip"}) {
        EXPECT_EQ(openArchive(ArchivePath(name).c_str(), &r), nullptr) << name;
        EXPECT_EQ(r, ZR_OPEN_FAILED);
    }
    ZipEntry e;
    EXPECT_EQ(getItem(nullptr, -1, &e), ZR_BAD_ARGUMENT);
    EXPECT_EQ(unzipItem(nullptr, 0, L"x"), ZR_BAD_ARGUMENT);
    EXPECT_EQ(setBaseDir(nullptr, L"C:\\"), ZR_BAD_ARGUMENT);
    EXPECT_EQ(closeArchive(nullptr), ZR_BAD_ARGUMENT);

    Archive a(L"python_mix.zip");
    ASSERT_TRUE(a.get());
    int n = a.Count();
    EXPECT_EQ(n, 10);
    EXPECT_EQ(getItem(a.get(), -2, &e), ZR_BAD_ARGUMENT);
    EXPECT_EQ(getItem(a.get(), n, &e), ZR_BAD_ARGUMENT);
    EXPECT_EQ(unzipItem(a.get(), n, L"x"), ZR_BAD_ARGUMENT);
    EXPECT_EQ(unzipItem(a.get(), -1, L"x"), ZR_BAD_ARGUMENT);
    // A base folder must leave room for a name.
    EXPECT_EQ(setBaseDir(a.get(), std::wstring(259, L'x').c_str()), ZR_BAD_ARGUMENT);
    EXPECT_EQ(setBaseDir(a.get(), L""), ZR_BAD_ARGUMENT);
    EXPECT_EQ(setBaseDir(a.get(), (std::wstring(258, L'x') + L"/").c_str()), ZR_OK);

    Archive tooMany(L"too_many.zip");
    ASSERT_TRUE(tooMany.get());
    EXPECT_EQ(getItem(tooMany.get(), -1, &e), ZR_BAD_ARGUMENT);
}

TEST(ZipArchive, EntriesInAnyOrderMatchTheWalkInIndexOrder) {
    Archive a(L"python_mix.zip");
    ASSERT_TRUE(a.get());
    std::wstring names[10];
    for (int i = 0; i < 10; ++i)
        names[i] = a.Item(i).name;
    EXPECT_EQ(names[0], L"stored.txt");
    EXPECT_EQ(names[8], L"中文目录/子文件.txt");
    EXPECT_EQ(names[9], L"zero_deflated.txt");
    for (int i : {7, 2, 2, 9, 0, 5, 4}) {
        ZipEntry e = a.Item(i);
        EXPECT_EQ(e.index, i);
        EXPECT_EQ(e.name, names[i]);
    }
}

TEST(ZipArchive, EntryRecordsCarrySizesAttributesAndTimes) {
    Archive a(L"python_mix.zip");
    ASSERT_TRUE(a.get());
    ZipEntry stored = a.Item(0);
    EXPECT_EQ(stored.compressedSize, 13);
    EXPECT_EQ(stored.uncompressedSize, 13);
    EXPECT_EQ(stored.attr, 0x20u);
    // No extended timestamp: the DOS time, taken as local time, for all three.
    uint64_t dos = ShanghaiTicks(2019, 5, 6, 7, 8, 10);
    EXPECT_EQ(test::Ticks(stored.mtime), dos);
    EXPECT_EQ(test::Ticks(stored.atime), dos);
    EXPECT_EQ(test::Ticks(stored.ctime), dos);

    ZipEntry deflated = a.Item(1);
    EXPECT_EQ(deflated.uncompressedSize, 50000);
    EXPECT_LT(deflated.compressedSize, 50000);

    // A UT block with the last-write time only: the rest keep the DOS time.
    ZipEntry mOnly = a.Item(3);
    uint64_t dos2 = ShanghaiTicks(2020, 1, 2, 3, 4, 6);
    EXPECT_EQ(test::Ticks(mOnly.mtime), UnixTicks(1500000000));
    EXPECT_EQ(test::Ticks(mOnly.atime), dos2);
    EXPECT_EQ(test::Ticks(mOnly.ctime), dos2);

    // A UT block after another block, with all three times.
    ZipEntry second = a.Item(4);
    EXPECT_EQ(test::Ticks(second.mtime), UnixTicks(1400000000));
    EXPECT_EQ(test::Ticks(second.atime), UnixTicks(1400000100));
    EXPECT_EQ(test::Ticks(second.ctime), UnixTicks(1300000000));

    EXPECT_EQ(a.Item(5).attr, 0x22u);  // DOS host: hidden, archive
    EXPECT_EQ(a.Item(6).attr, 0x05u);  // DOS host: system, read-only
    EXPECT_EQ(a.Item(7).attr, 0x30u);  // Unix folder
    EXPECT_EQ(std::wstring(a.Item(7).name), L"中文目录/");

    // Folders known by their trailing separator alone; the files inside them stay files.
    Archive bare(L"bare_folders.zip");
    const uint32_t bareAttr[] = {0x30, 0x20, 0x10, 0, 0x10, 0, 0x10};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(bare.Item(i).attr, bareAttr[i]) << bare.Item(i).name;
}

TEST(ZipArchive, LocalHeaderAndExtraFieldProblems) {
    Archive mismatch(L"mismatch_middle.zip");
    ZipEntry e;
    EXPECT_EQ(getItem(mismatch.get(), 0, &e), ZR_OK);
    EXPECT_EQ(getItem(mismatch.get(), 1, &e), ZR_HEADER_MISMATCH);
    EXPECT_EQ(getItem(mismatch.get(), 2, &e), ZR_OK);
    for (const wchar_t* name : {L"method12.zip", L"method14.zip"}) {
        Archive m(name);
        EXPECT_EQ(getItem(m.get(), 1, &e), ZR_HEADER_MISMATCH) << name;
        EXPECT_EQ(unzipItem(m.get(), 1, L"packed.txt"), ZR_HEADER_MISMATCH) << name;
    }
    Archive extra(L"bad_extra.zip");
    EXPECT_EQ(getItem(extra.get(), 1, &e), ZR_EXTRA_UNREADABLE);
}

TEST(ZipArchive, DefaultBaseIsTheCurrentFolder) {
    TempDir dir;
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
    {
        Archive a(L"locked.zip");
        EXPECT_EQ(unzipItem(a.get(), 1, a.Item(1).name), ZR_OK);
    }
    SetCurrentDirectoryW(old);
    EXPECT_EQ(test::ReadFileBytes(dir / L"b.txt"), "second");
}

TEST(ZipArchive, EnsureDirectoryMakesOneLevelOfTheBase) {
    TempDir dir;
    ensureDirectory((dir / L"base\\").c_str(), L"a\\b/c");
    EXPECT_TRUE(test::DirExists(dir / L"base\\a\\b\\c"));
    ensureDirectory((dir / L"missing\\base\\").c_str(), L"a");
    EXPECT_FALSE(test::DirExists(dir / L"missing"));
}

// Every name that would land outside the destination or on a device is refused with 512, and nothing
// at all is created for it.
TEST(ZipArchive, UnsafeNamesAreRefusedAndNothingEscapes) {
    TempDir dir;
    std::wstring dest = dir / L"l1\\l2\\l3\\dest\\";
    ensureDirectory((dir / L"l1\\").c_str(), L"l2\\l3");
    Archive a(L"unsafe.zip");
    ASSERT_EQ(setBaseDir(a.get(), dest.c_str()), ZR_OK);
    int n = a.Count();
    EXPECT_EQ(n, 18);
    for (int i = 0; i < n; ++i) {
        ZipEntry e = a.Item(i);
        EXPECT_EQ(unzipItem(a.get(), i, e.name), ZR_OPEN_FAILED) << e.name;
    }
    EXPECT_EQ(ListTree(dir.path()), (std::set<std::wstring>{L"l1\\", L"l1\\l2\\", L"l1\\l2\\l3\\"}));
}

// A link planted below the base folder where an entry goes is never written through: the entry fails
// with 512 and what the link leads to stays as it was. A base folder that is a link itself is the user's
// choice, and is used.
TEST(ZipArchive, NothingIsWrittenThroughALinkBelowTheBase) {
    using test::LinkKind;
    struct Case {
        const char* what;
        const wchar_t* archive;
        int entry;
        const wchar_t* link;    // below the base folder
        const wchar_t* target;  // in the decoy folder; empty: the decoy folder itself
        LinkKind kind;
    };
    const Case cases[] = {
        {"link to a file at the name", L"locked.zip", 0, L"a.txt", L"decoy.txt", LinkKind::kSymbolic},
        {"second hard link at the name", L"locked.zip", 0, L"a.txt", L"decoy.txt", LinkKind::kHard},
        {"link to a missing file", L"locked.zip", 0, L"a.txt", L"missing.txt", LinkKind::kSymbolic},
        {"folder entry at a folder link", L"bare_folders.zip", 0, L"unix_dir", L"", LinkKind::kSymbolic},
        {"folder link on the way", L"bare_folders.zip", 1, L"unix_dir", L"", LinkKind::kSymbolic},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::wstring decoy = dir / L"decoy\\", base = dir / L"base\\";
        ASSERT_TRUE(CreateDirectoryW(decoy.c_str(), nullptr) && CreateDirectoryW(base.c_str(), nullptr));
        ASSERT_TRUE(test::WriteFileBytes(decoy + L"decoy.txt", "decoy"));
        ASSERT_TRUE(test::PlantLink(base + c.link, decoy + c.target, c.kind)) << c.what;
        Archive a(c.archive);
        ASSERT_EQ(setBaseDir(a.get(), base.c_str()), ZR_OK);
        EXPECT_EQ(unzipItem(a.get(), c.entry, a.Item(c.entry).name), ZR_OPEN_FAILED) << c.what;
        EXPECT_EQ(ListTree(decoy), std::set<std::wstring>{L"decoy.txt"}) << c.what;
        EXPECT_EQ(test::ReadFileBytes(decoy + L"decoy.txt"), "decoy") << c.what;
        test::RemoveLink(base + c.link);
    }
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryW((dir / L"decoy").c_str(), nullptr));
    ASSERT_TRUE(test::PlantLink(dir / L"linked", dir / L"decoy"));
    Archive a(L"locked.zip");
    ASSERT_EQ(setBaseDir(a.get(), (dir / L"linked").c_str()), ZR_OK);
    EXPECT_EQ(unzipItem(a.get(), 0, a.Item(0).name), ZR_OK);
    EXPECT_EQ(test::ReadFileBytes(dir / L"decoy\\a.txt"), "first");
}

TEST(ZipArchive, SanitisedNamesLandInsideTheDestination) {
    TempDir dir;
    Archive a(L"sanitised.zip");
    ASSERT_EQ(setBaseDir(a.get(), (dir / L"dest").c_str()), ZR_OK);
    for (int i = 0, n = a.Count(); i < n; ++i)
        EXPECT_EQ(unzipItem(a.get(), i, a.Item(i).name), ZR_OK) << i;
    EXPECT_EQ(ListTree(dir.path()),
              (std::set<std::wstring>{L"dest\\", L"dest\\a\\", L"dest\\a\\b.txt", L"dest\\b2.txt",
                                      L"dest\\d.txt", L"dest\\etc\\", L"dest\\etc\\z", L"dest\\keep\\",
                                      L"dest\\lead.txt", L"dest\\up3.txt"}));
    EXPECT_EQ(test::ReadFileBytes(dir / L"dest\\a\\b.txt"), "C:\\a\\b.txt");
}

// Names of 260 bytes or more in the archive, and output paths of 260 units or more, are refused.
TEST(ZipArchive, NameAndPathLengthLimits) {
    TempDir dir;
    // A base folder of exactly 100 units.
    std::wstring base = dir.path() + std::wstring(99 - dir.path().size(), L'b') + L"\\";
    ASSERT_EQ(base.size(), 100u);
    Archive a(L"long_names.zip");
    ASSERT_EQ(setBaseDir(a.get(), base.c_str()), ZR_OK);
    EXPECT_EQ(unzipItem(a.get(), 0, a.Item(0).name), ZR_OK);           // 87 characters, 259 bytes
    EXPECT_EQ(unzipItem(a.get(), 1, a.Item(1).name), ZR_OK);           // path of 259 units
    EXPECT_EQ(unzipItem(a.get(), 2, a.Item(2).name), ZR_OPEN_FAILED);  // path of 260 units
    EXPECT_EQ(test::ReadFileBytes(base + std::wstring(43, L'长') + L"\\" + std::wstring(43, L'长')), "ok");
    EXPECT_EQ(test::ReadFileBytes(base + L"p\\" + std::wstring(157, L'q')), "fits");
    EXPECT_EQ(ListTree(base).size(), 4u);  // the two files and their folders only

    Archive unsafe(L"unsafe.zip");  // its last entry: 87 characters, 261 bytes
    ASSERT_EQ(setBaseDir(unsafe.get(), base.c_str()), ZR_OK);
    EXPECT_EQ(unzipItem(unsafe.get(), 17, unsafe.Item(17).name), ZR_OPEN_FAILED);
    EXPECT_EQ(ListTree(base).size(), 4u);
}

}  // namespace
}  // namespace radu
