// Ending the product's processes by executable name: copies of an idle program started under names from the
// kill list and one whose name merely ends like one of them.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/instances.h"
#include "app/product.h"
#include "helper_programs.h"
#include "support/test_paths.h"

namespace {

struct Child {
    std::wstring name;
    PROCESS_INFORMATION info = {};
};

// Starts and owns the children; whatever is still running at the end is ended.
class Children {
  public:
    ~Children() {
        for (Child& c : children) {
            if (c.info.hProcess == nullptr)
                continue;
            TerminateProcess(c.info.hProcess, 1);
            WaitForSingleObject(c.info.hProcess, 60000);
            CloseHandle(c.info.hProcess);
            CloseHandle(c.info.hThread);
        }
    }
    bool Start(const std::wstring& path) {
        Child c;
        c.name = path.substr(path.find_last_of(L'\\') + 1);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        std::wstring command = L"\"" + path + L"\"";
        if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &si, &c.info))
            return false;
        children.push_back(c);
        return true;
    }
    std::vector<Child>& all() { return children; }

  private:
    std::vector<Child> children;
};

// True when every child shows up in a process snapshot under its own name.
bool AllListed(const std::vector<Child>& children) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    size_t found = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        for (const Child& c : children) {
            if (entry.th32ProcessID == c.info.dwProcessId && c.name == entry.szExeFile)
                ++found;
        }
    }
    CloseHandle(snapshot);
    return found == children.size();
}

TEST(KillProcesses, EndsEveryProcessWithAListedNameAndNoOther) {
    radu::test::TempDir dir;
    const std::wstring idle = radu::test::HelperProgram(L"radu_idle_child.exe");
    const std::wstring tools = dir / L"tools\\";
    ASSERT_TRUE(CreateDirectoryW(tools.c_str(), nullptr));
    const std::vector<std::wstring> copies = {dir / L"adb.exe", dir / L"VARU.EXE", dir / L"aapt.exe",
                                              tools + L"aapt.exe", dir / L"xadb.exe"};
    for (const std::wstring& copy : copies)
        ASSERT_TRUE(CopyFileW(idle.c_str(), copy.c_str(), FALSE));

    Children children;
    for (const std::wstring& copy : copies)
        ASSERT_TRUE(children.Start(copy));
    // The second "aapt.exe" is started from the same file as well: two processes of one name in one folder.
    ASSERT_TRUE(children.Start(dir / L"aapt.exe"));
    const DWORD start = GetTickCount();
    while (!AllListed(children.all())) {
        ASSERT_LT(GetTickCount() - start, 60000u) << "the children never showed up in a snapshot";
        Sleep(10);
    }

    radu::KillProcesses(radu::kKillList, radu::kKillListSize);

    for (Child& c : children.all()) {
        if (c.name == L"xadb.exe")
            continue;
        EXPECT_EQ(WaitForSingleObject(c.info.hProcess, 60000), WAIT_OBJECT_0)
            << "still running: " << c.info.dwProcessId;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(c.info.hProcess, &code);
        EXPECT_EQ(code, 0u);
    }
    for (Child& c : children.all()) {
        if (c.name != L"xadb.exe")
            continue;
        DWORD code = 0;
        GetExitCodeProcess(c.info.hProcess, &code);
        EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    }
}

TEST(KillProcesses, NamesMatchWholeAndIgnoreOnlyTheCaseOfAsciiLetters) {
    EXPECT_TRUE(radu::SameExeName(L"adb.exe", L"adb.exe"));
    EXPECT_TRUE(radu::SameExeName(L"ADB.Exe", L"adb.exe"));
    EXPECT_TRUE(radu::SameExeName(L"C:\\sdk\\platform-tools\\adb.exe", L"adb.exe"));
    EXPECT_FALSE(radu::SameExeName(L"xadb.exe", L"adb.exe"));
    EXPECT_FALSE(radu::SameExeName(L"adb.exe.old", L"adb.exe"));
    EXPECT_FALSE(radu::SameExeName(L"adb.ex", L"adb.exe"));
    EXPECT_FALSE(radu::SameExeName(L"http.exe", L"httpd.exe"));
    EXPECT_FALSE(radu::SameExeName(L"\u00c4db.exe", L"\u00e4db.exe"));  // not an ASCII letter
    EXPECT_FALSE(radu::SameExeName(L"", L"adb.exe"));
}

}  // namespace
