// The installer's own download folder, made below a test's folder in each state a run can find it in.
// Under Wine (as root) no DACL is enforced and none is kept as given: Wine derives owner and DACL from the
// Unix owner and mode. What can be observed is what the system reads back, whether a folder in another
// state is discarded, and that no link is followed.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <string>
#include <vector>

#include "app/download_folder.h"
#include "common/unique_handle.h"
#include "support/test_paths.h"
#include "support/planted_links.h"

namespace radu {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

enum class Planted {
    kNothing,
    kAsMade,        // left by an earlier run, with a part file to resume from
    kFile,          // a file at the folder's name
    kOpenDacl,      // a folder anyone may write into, with a file planted in it
    kLinkAtName,    // a link to a folder elsewhere at the folder's name
    kLinkOnTheWay,  // the parent reached through a link
};

struct Case {
    const char* name;
    Planted planted;
    bool usable;     // a folder is handed out
    bool keepsPart;  // what was in it stays
};

const Case kCases[] = {
    {"nothing there", Planted::kNothing, true, false},
    {"as an earlier run made it", Planted::kAsMade, true, true},
    {"a file at its name", Planted::kFile, true, false},
    {"a folder anyone may write into", Planted::kOpenDacl, true, false},
    // Windows removes a link itself through a handle on it; under Wine every call that removes by name
    // acts on a Unix symlink's target, so the link stays and no folder is had.
    {"a link at its name", Planted::kLinkAtName, false, false},
    {"a link on the way", Planted::kLinkOnTheWay, false, false},
};

// Every ACE of the folder's DACL allows and names SYSTEM, Administrators or the folder's owner.
void ExpectOnlyOwnAces(const std::wstring& folder) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    UniqueLocalMemory descriptor;
    ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT,
                                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                    &dacl, nullptr, descriptor.put()),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &ace));
        ASSERT_EQ(static_cast<ACE_HEADER*>(ace)->AceType, ACCESS_ALLOWED_ACE_TYPE);
        PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
        EXPECT_TRUE(IsWellKnownSid(sid, WinLocalSystemSid) ||
                    IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || EqualSid(sid, owner))
            << "ACE " << i;
    }
}

std::vector<std::wstring> Entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW((folder + L"*").c_str(), &found));
    if (find) {
        do {
            if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
                names.push_back(found.cFileName);
        } while (FindNextFileW(find.get(), &found));
    }
    return names;
}

TEST(DownloadFolder, KeptMadeOrDiscardedAndNeverThroughALink) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TempDir dir, elsewhere;  // elsewhere: where a link leads, with a file that must stay as it is
        ASSERT_TRUE(WriteFileBytes(elsewhere / L"VaruPhoneAx.zip_0", "theirs"));
        std::wstring parent = dir / L"parent\\";
        ASSERT_TRUE(CreateDirectoryW(parent.c_str(), nullptr)) << GetLastError();
        std::wstring link;
        switch (c.planted) {
            case Planted::kNothing:
                break;
            case Planted::kAsMade:
                ASSERT_TRUE(test::MakeFolder(parent + L"Own", kDownloadFolderSddl));
                ASSERT_TRUE(WriteFileBytes(parent + L"Own\\VaruPhoneAx.zip_0", "part"));
                break;
            case Planted::kFile:
                ASSERT_TRUE(WriteFileBytes(parent + L"Own", "file"));
                break;
            case Planted::kOpenDacl:
                ASSERT_TRUE(test::MakeFolder(parent + L"Own", L"D:(A;OICI;FA;;;WD)"));
                ASSERT_TRUE(WriteFileBytes(parent + L"Own\\VaruPhoneAx.zip_0", "planted"));
                break;
            case Planted::kLinkAtName:
                link = parent + L"Own";
                ASSERT_TRUE(test::PlantLink(link, elsewhere.path()));
                break;
            case Planted::kLinkOnTheWay:
                link = dir / L"via";
                ASSERT_TRUE(test::PlantLink(link, elsewhere.path()));
                parent = link + L"\\";
                break;
        }
        const std::wstring folder = parent + L"Own\\";

        const std::wstring got = PrepareOwnFolder(parent, L"Own");
        EXPECT_EQ(!got.empty(), c.usable) << "[" << got << "]";
        if (!got.empty()) {
            EXPECT_EQ(got, folder);
            EXPECT_EQ(test::FinalPath(folder), folder.substr(0, folder.size() - 1));
            ExpectOnlyOwnAces(folder);
            EXPECT_EQ(FileExists(folder + L"VaruPhoneAx.zip_0"), c.keepsPart);
            // What it hands out is as it makes it: the next run keeps it, with what was downloaded.
            ASSERT_TRUE(WriteFileBytes(folder + L"VaruPhoneAx.zip_1", "part"));
            EXPECT_EQ(PrepareOwnFolder(parent, L"Own"), folder);
            EXPECT_EQ(ReadFileBytes(folder + L"VaruPhoneAx.zip_1"), "part");
            EXPECT_EQ(Entries(parent), std::vector<std::wstring>{L"Own"});  // nothing else made beside it
        }
        EXPECT_EQ(Entries(elsewhere.path()), std::vector<std::wstring>{L"VaruPhoneAx.zip_0"});
        EXPECT_EQ(ReadFileBytes(elsewhere / L"VaruPhoneAx.zip_0"), "theirs");
        if (!link.empty()) {
            EXPECT_TRUE(test::RemoveLink(link));
        }
    }
}

}  // namespace
}  // namespace radu
