// Product registration in the test prefix: every registry value read back with its type and byte count,
// every shortcut read back through IShellLinkW.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "app/product.h"
#include "app/registration.h"
#include "build_config.h"
#include "common/unique_handle.h"
#include "product_state.h"
#include "support/test_paths.h"

namespace {

using namespace radu::test;

const wchar_t kScratchKey[] = L"Software\\RaduRegistrationTest";

struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::string bytes;
};

// The value as the registry stores it. The registry functions of advapi32 may add a terminator to a REG_SZ
// that was stored without one, so the stored bytes are read through the native call.
RegValue ReadValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    struct UnicodeString {
        USHORT length;
        USHORT maximumLength;
        const wchar_t* buffer;
    };
    struct PartialInformation {
        ULONG titleIndex;
        ULONG type;
        ULONG dataLength;
        UCHAR data[1];
    };
    using NtQueryValueKeyFn = LONG(WINAPI*)(HANDLE, const UnicodeString*, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<NtQueryValueKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryValueKey")));

    RegValue v;
    radu::UniqueRegKey k;
    if (query == nullptr || RegOpenKeyExW(root, key, 0, KEY_READ, k.put()) != ERROR_SUCCESS)
        return v;
    const UnicodeString valueName = {static_cast<USHORT>(std::wcslen(name) * 2),
                                     static_cast<USHORT>(std::wcslen(name) * 2), name};
    alignas(8) unsigned char buffer[4096];
    ULONG size = 0;
    const int kKeyValuePartialInformation = 2;
    if (query(k.get(), &valueName, kKeyValuePartialInformation, buffer, sizeof buffer, &size) == 0) {
        const auto* info = reinterpret_cast<const PartialInformation*>(buffer);
        v.present = true;
        v.type = info->type;
        v.bytes.assign(reinterpret_cast<const char*>(info->data), info->dataLength);
    }
    return v;
}

// The UTF-16 units of a text as a REG_SZ written without its terminator holds them.
std::string Units(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

bool KeyExists(HKEY root, const wchar_t* key) {
    radu::UniqueRegKey k;
    return RegOpenKeyExW(root, key, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

DWORD ValueCount(HKEY root, const wchar_t* key) {
    radu::UniqueRegKey k;
    DWORD count = 0;
    if (RegOpenKeyExW(root, key, 0, KEY_READ, k.put()) != ERROR_SUCCESS)
        return 0;
    RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                     nullptr, nullptr);
    return count;
}

void ExpectLinkTo(const std::wstring& linkPath, const std::wstring& target) {
    SCOPED_TRACE(linkPath);
    Link link = ReadLink(linkPath);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, target);
    EXPECT_EQ(link.description, target);
    EXPECT_EQ(link.showCommand, SW_SHOWNORMAL);
    EXPECT_EQ(link.arguments, L"");
    EXPECT_EQ(link.workingFolder, L"");
    EXPECT_EQ(link.iconPath, L"");
    EXPECT_EQ(link.hotKey, 0);
}

// A value written by SetRegString. Its byte count leaves the terminator out; RegSetValueExW then counts in
// the terminator that follows the text in memory (NT does the same), so a non-empty text is stored with
// it. An empty text, where that rule does not apply, shows the count as passed: 0 bytes.
void ExpectString(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    SCOPED_TRACE(name);
    RegValue v = ReadValue(root, key, name);
    ASSERT_TRUE(v.present);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v.bytes.size(), text.size() * 2 + 2);
    EXPECT_EQ(v.bytes, Units(text) + std::string(2, '\0'));
}

class Registration : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        desktopLink = DesktopLink();
        menuFolder = StartMenuFolder();
        RemoveEverything();
        install = MakeInstallFolder(L"Radurodi Test Folder\\");
    }
    void TearDown() override {
        RemoveEverything();
        CoUninitialize();
    }

    void RemoveEverything() {
        ForgetProductRegistration();
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    }

    // An install folder below the test's temporary folder, holding the two product files.
    std::wstring MakeInstallFolder(const std::wstring& name) {
        std::wstring folder = temp / name;
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder + L"VaruPhoneAx").c_str(), nullptr);
        radu::test::WriteFileBytes(folder + radu::kProgramPath, "MZ");
        radu::test::WriteFileBytes(folder + radu::kUninstallerPath, "MZ");
        return folder;
    }

    void ExpectUninstallEntry(const std::wstring& uninstaller) {
        EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kUninstallKey), 6u);
        ExpectString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", L"Radurodi");
        ExpectString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion", L"1.0");
        ExpectString(HKEY_LOCAL_MACHINE, kUninstallKey, L"URLInfoAbout", RADU_MAKER_SITE);
        ExpectString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", uninstaller);
        ExpectString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon", uninstaller);
        ExpectString(HKEY_LOCAL_MACHINE, kUninstallKey, L"Publisher", RADU_MAKER_SITE);

        RegValue version = ReadValue(HKEY_CURRENT_USER, kVersionKey, L"CurrentVesion");
        ASSERT_TRUE(version.present);
        EXPECT_EQ(version.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(version.bytes, std::string("1\0.\0"
                                             "0\0\0\0",
                                             8));  // with its terminator
    }

    radu::test::TempDir temp;
    std::wstring install;
    std::wstring desktopLink;
    std::wstring menuFolder;
};

TEST_F(Registration, AllOptionsTickedWriteEveryEntry) {
    const std::wstring program = install + radu::kProgramPath;
    const std::wstring uninstaller = install + radu::kUninstallerPath;
    ASSERT_TRUE(radu::RegisterInstalledProduct(install.c_str(), true, true, true));

    ExpectLinkTo(desktopLink, program);
    ExpectLinkTo(menuFolder + L"\\Radurodi.lnk", program);
    ExpectLinkTo(menuFolder + L"\\Radurodi卸载.lnk", uninstaller);

    // A key named after the product below Run holding one value of that name; nothing directly under Run.
    ExpectString(HKEY_LOCAL_MACHINE, kProductRunKey, L"Radurodi", program);
    EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kProductRunKey), 1u);
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kRunKey, L"Radurodi").present);

    // The folder has a space in its name; the paths are stored as they are, without quotes.
    ExpectUninstallEntry(uninstaller);
    EXPECT_EQ(program.find(L'"'), std::wstring::npos);
}

TEST_F(Registration, NoOptionTickedWritesOnlyTheUninstallEntryAndVersion) {
    ASSERT_TRUE(radu::RegisterInstalledProduct(install.c_str(), false, false, false));
    EXPECT_FALSE(radu::test::FileExists(desktopLink));
    EXPECT_FALSE(radu::test::DirExists(menuFolder));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductRunKey));
    ExpectUninstallEntry(install + radu::kUninstallerPath);
}

TEST_F(Registration, TheUninstallerCallWritesNoDesktopLinkAndNoRunEntry) {
    const std::wstring uninstaller = install + radu::kUninstallerPath;
    EXPECT_EQ(radu::RegisterProduct(uninstaller.c_str(), radu::kRegisterUninstaller, 0, 1, 0), 1);
    EXPECT_FALSE(radu::test::FileExists(desktopLink));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProductRunKey));
    EXPECT_FALSE(radu::test::FileExists(menuFolder + L"\\Radurodi.lnk"));
    ExpectLinkTo(menuFolder + L"\\Radurodi卸载.lnk", uninstaller);
    ExpectUninstallEntry(uninstaller);

    // The program call writes no uninstall entry.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    const std::wstring program = install + radu::kProgramPath;
    EXPECT_EQ(radu::RegisterProduct(program.c_str(), radu::kRegisterProgram, 1, 1, 1), 1);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(Registration, AnExistingStartMenuFolderIsUsedAsItIs) {
    ASSERT_TRUE(CreateDirectoryW(menuFolder.c_str(), nullptr));
    ASSERT_TRUE(radu::test::WriteFileBytes(menuFolder + L"\\readme.txt", "kept"));
    ASSERT_TRUE(radu::RegisterInstalledProduct(install.c_str(), false, true, false));
    EXPECT_EQ(radu::test::ReadFileBytes(menuFolder + L"\\readme.txt"), "kept");
    ExpectLinkTo(menuFolder + L"\\Radurodi.lnk", install + radu::kProgramPath);
    ExpectLinkTo(menuFolder + L"\\Radurodi卸载.lnk", install + radu::kUninstallerPath);
}

TEST_F(Registration, ASecondInstallReplacesEveryEntry) {
    ASSERT_TRUE(radu::RegisterInstalledProduct(install.c_str(), true, true, true));
    // The second folder's name is shorter: a value that kept bytes of the first would show.
    const std::wstring second = MakeInstallFolder(L"B\\");
    ASSERT_TRUE(radu::RegisterInstalledProduct(second.c_str(), true, true, true));

    const std::wstring program = second + radu::kProgramPath;
    const std::wstring uninstaller = second + radu::kUninstallerPath;
    ExpectLinkTo(desktopLink, program);
    ExpectLinkTo(menuFolder + L"\\Radurodi.lnk", program);
    ExpectLinkTo(menuFolder + L"\\Radurodi卸载.lnk", uninstaller);
    ExpectString(HKEY_LOCAL_MACHINE, kProductRunKey, L"Radurodi", program);
    ExpectUninstallEntry(uninstaller);
}

TEST_F(Registration, AFolderTooLongForTheProductPathsRegistersNothing) {
    const std::wstring folder =
        L"C:\\" + std::wstring(226, L'x') + L"\\";  // 230 units: the longest that fits
    ASSERT_EQ((folder + radu::kUninstallerPath).size(), 259u);
    const std::wstring longer = L"C:\\" + std::wstring(227, L'x') + L"\\";
    EXPECT_FALSE(radu::RegisterInstalledProduct(longer.c_str(), true, true, true));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(radu::test::FileExists(desktopLink));
    EXPECT_TRUE(radu::RegisterInstalledProduct(folder.c_str(), false, false, false));
    ExpectString(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", folder + radu::kUninstallerPath);
}

TEST_F(Registration, SetRegStringRefusesMissingNamesAndStoresNoTerminator) {
    EXPECT_EQ(radu::SetRegString(nullptr, kScratchKey, L"v", L"x"), 0);
    EXPECT_EQ(radu::SetRegString(HKEY_CURRENT_USER, nullptr, L"v", L"x"), 0);
    EXPECT_EQ(radu::SetRegString(HKEY_CURRENT_USER, L"", L"v", L"x"), 0);
    EXPECT_EQ(radu::SetRegString(HKEY_CURRENT_USER, kScratchKey, nullptr, L"x"), 0);
    EXPECT_EQ(radu::SetRegString(HKEY_CURRENT_USER, kScratchKey, L"", L"x"), 0);
    EXPECT_EQ(radu::SetRegString(HKEY_CURRENT_USER, kScratchKey, L"v", nullptr), 0);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kScratchKey));

    EXPECT_EQ(radu::SetRegString(HKEY_CURRENT_USER, kScratchKey, L"empty", L""), 1);
    RegValue empty = ReadValue(HKEY_CURRENT_USER, kScratchKey, L"empty");
    EXPECT_TRUE(empty.present);
    EXPECT_EQ(empty.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(empty.bytes.size(), 0u);
    EXPECT_EQ(radu::SetRegString(HKEY_CURRENT_USER, kScratchKey, L"名称", L"安装程序 1.0"), 1);
    ExpectString(HKEY_CURRENT_USER, kScratchKey, L"名称", L"安装程序 1.0");
}

TEST_F(Registration, CreateShortcutTakesItsFieldsAndRefusesWhatItCannotSave) {
    const std::wstring target = install + radu::kProgramPath;
    const std::wstring folder = temp / L"links";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

    EXPECT_FALSE(radu::CreateShortcut(target.c_str(), nullptr, L"a.lnk", 0, nullptr, SW_SHOWNORMAL));
    EXPECT_FALSE(radu::CreateShortcut(target.c_str(), (temp / L"missing").c_str(), L"a.lnk", 0, nullptr, 1));

    // Only the low 16 bits carry a hot key; no description leaves it empty.
    ASSERT_TRUE(
        radu::CreateShortcut(target.c_str(), folder.c_str(), L"a.lnk", 0x10000, nullptr, SW_SHOWMAXIMIZED));
    Link a = ReadLink(folder + L"\\a.lnk");
    EXPECT_EQ(a.target, target);
    EXPECT_EQ(a.hotKey, 0);
    EXPECT_EQ(a.description, L"");
    EXPECT_EQ(a.showCommand, SW_SHOWMAXIMIZED);
    ASSERT_TRUE(
        radu::CreateShortcut(target.c_str(), folder.c_str(), L"b.lnk", 0x20641, L"note", SW_SHOWNORMAL));
    Link b = ReadLink(folder + L"\\b.lnk");
    EXPECT_EQ(b.hotKey, 0x0641);
    EXPECT_EQ(b.description, L"note");

    // A link whose full path would pass 259 units is not written under a cut name.
    const std::wstring deep = folder + L"\\" + std::wstring(240 - folder.size(), L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    const std::wstring name = std::wstring(30, L'n') + L".lnk";
    EXPECT_FALSE(radu::CreateShortcut(target.c_str(), deep.c_str(), name.c_str(), 0, nullptr, SW_SHOWNORMAL));
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((deep + L"\\n*").c_str(), &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a link was written into the folder";
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
}

}  // namespace
