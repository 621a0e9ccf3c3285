// The tests' own file reader: what it returns decides whether an install is judged complete.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/unique_handle.h"
#include "support/test_paths.h"

namespace radu::test {
namespace {

// A program that writes a record under another name and renames it into place holds the renamed file
// for a moment with delete access (the rename's own handle). A reader that sees the name must read all
// of it, not an empty text.
TEST(ReadFileBytes, ReadsAFileHeldOpenByARename) {
    TempDir dir;
    const std::wstring draft = dir.path() + L"record.tmp", record = dir.path() + L"record.txt";
    ASSERT_TRUE(WriteFileBytes(draft, "all of it"));
    UniqueFileHandle renaming(CreateFileW(draft.c_str(), DELETE | SYNCHRONIZE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(renaming);
    ASSERT_TRUE(MoveFileExW(draft.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadFileBytes(record), "all of it");
    EXPECT_EQ(ReadFileBytes(dir.path() + L"missing.txt"), "");
}

}  // namespace
}  // namespace radu::test
