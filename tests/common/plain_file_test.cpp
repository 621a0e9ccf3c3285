// Which reparse points redirect a name. Wine makes no reparse point but its links (whose tag reads 0), so
// the tags Windows gives are rows here.
#include <gtest/gtest.h>

#include "common/plain_file.h"

namespace {

TEST(PlainFile, OnlyNameSurrogatesAndUnreadableTagsRedirectAName) {
    constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT, kFolder = FILE_ATTRIBUTE_DIRECTORY;
    const struct {
        const char* what;
        DWORD attributes, tag;
        bool redirects;
    } rows[] = {
        {"symbolic link", kReparse, IO_REPARSE_TAG_SYMLINK, true},
        {"junction or mount point", kReparse | kFolder, IO_REPARSE_TAG_MOUNT_POINT, true},
        {"link of the Linux subsystem", kReparse, 0xA000001D, true},
        {"tag unreadable, or a link under Wine", kReparse | kFolder, 0, true},
        {"compressed by the system (compact /exe)", kReparse, 0x80000017, false},
        {"deduplicated data", kReparse, 0x80000013, false},
        {"cloud placeholder folder (files on demand)", kReparse | kFolder, 0x9000701A, false},
        {"cloud placeholder file", kReparse, 0x9000001A, false},
        {"no reparse point, whatever the tag field holds", kFolder, IO_REPARSE_TAG_SYMLINK, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(radu::RedirectsName(row.attributes, row.tag), row.redirects) << row.what;
}

}  // namespace
