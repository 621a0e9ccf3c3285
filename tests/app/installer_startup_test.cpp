// Before its window appears, the installer stops the product's service and ends the product's processes,
// and makes sure it is the only installer running.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>

#include "app/product.h"
#include "common/unique_handle.h"
#include "installer_driver.h"
#include "support/test_paths.h"
#include "test_service_control.h"

namespace {

PROCESS_INFORMATION StartCopy(const std::wstring& path) {
    PROCESS_INFORMATION info = {};
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring command = L"\"" + path + L"\"";
    CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                   &si, &info);
    return info;
}

TEST(InstallerStartUp, StopsTheServiceAndEndsTheProductsProcesses) {
    radu::test::TestService service(L"stops", radu::kServiceName);
    ASSERT_TRUE(service.running());
    radu::test::TempDir dir;
    const std::wstring idle = radu::test::HelperProgram(L"radu_idle_child.exe");
    ASSERT_TRUE(CopyFileW(idle.c_str(), (dir / L"adb.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(idle.c_str(), (dir / L"xadb.exe").c_str(), FALSE));
    PROCESS_INFORMATION listed = StartCopy(dir / L"adb.exe");
    PROCESS_INFORMATION unlisted = StartCopy(dir / L"xadb.exe");
    ASSERT_NE(listed.hProcess, nullptr);
    ASSERT_NE(unlisted.hProcess, nullptr);

    {
        radu::test::Installer installer;  // returns once the window is visible
        ASSERT_TRUE(installer.running());
        EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(WaitForSingleObject(listed.hProcess, radu::test::kPatienceMs), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(unlisted.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    }

    TerminateProcess(unlisted.hProcess, 1);
    WaitForSingleObject(unlisted.hProcess, 5000);
    for (PROCESS_INFORMATION* p : {&listed, &unlisted}) {
        CloseHandle(p->hProcess);
        CloseHandle(p->hThread);
    }
}

// Any program may create, hold, or deny everyone a named object in the global namespace: whatever another
// program does with the name an earlier installer used as its guard, the installer shows its window. A
// guard held in the installer's own folder while no window of that installer shows (a copy in another
// session) makes the next copy say so, and end with 183.
TEST(InstallerStartUp, NoOtherProgramPassesForARunningInstaller) {
    const wchar_t kOldGuard[] = L"Global\\RadurodiSetup.OneInstaller";
    const std::function<HANDLE()> squats[] = {
        [&] { return CreateMutexW(nullptr, TRUE, kOldGuard); },
        [&] {
            radu::UniqueLocalMemory denyAll;
            ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1, denyAll.put(),
                                                                 nullptr);
            SECURITY_ATTRIBUTES security = {sizeof security, denyAll.get(), FALSE};
            return CreateMutexW(&security, TRUE, kOldGuard);
        },
        [&] { return CreateEventW(nullptr, TRUE, FALSE, kOldGuard); },
    };
    for (const auto& squat : squats) {
        radu::UniqueKernelHandle squatter(squat());
        ASSERT_TRUE(squatter);
        radu::test::Installer installer;
        ASSERT_NE(installer.Dialog(), nullptr);
        installer.Click(installer.Item(1106));
        EXPECT_EQ(installer.WaitForExit(), 1106u);
    }

    ASSERT_TRUE(radu::test::MakeDownloadFolder());
    const std::wstring guardFile = radu::test::DownloadFolder() + L"RadurodiSetup.lock";
    radu::UniqueFileHandle guard(CreateFileW(guardFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                             OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_TRUE(guard);
    radu::test::Installer second;  // it looks for the first one's window for 15 s, then says so
    EXPECT_EQ(second.Dialog(), nullptr);
    HWND box = second.WaitForOwnedDialog();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(radu::test::TextOf(GetDlgItem(box, 0xFFFF)) + L"|" + radu::test::TextOf(box),
              L"Radurodi安装程序已在运行，请等它结束后再试。|提示");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.WaitForExit(), 183u);
    guard.reset();
    RemoveDirectoryW(radu::test::DownloadFolder().c_str());
}

// A DLL the installer loads that System32 cannot give (Wine is told to load none of that name): before it
// touches anything, the installer names the DLL in a box and ends with 0.
TEST(InstallerStartUp, ADllMissingFromSystem32EndsWithABox) {
    radu::test::TestService service(L"stops", radu::kServiceName);
    ASSERT_TRUE(service.running());
    radu::test::WineDllOverride none({L"bcrypt"}, L"");
    PROCESS_INFORMATION setup = StartCopy(radu::test::WindowsPath(RADU_SETUP_EXE));
    ASSERT_NE(setup.hProcess, nullptr);
    HWND box = nullptr;
    radu::test::WaitFor(
        [&] { return (box = radu::test::FindOtherDialog(setup.dwProcessId, nullptr)) != nullptr; },
        radu::test::kPatienceMs);
    ASSERT_NE(box, nullptr) << "no box";
    EXPECT_EQ(radu::test::TextOf(GetDlgItem(box, 0xFFFF)) + L"|" + radu::test::TextOf(box),
              L"无法从系统文件夹载入 bcrypt.dll，安装程序无法运行。|提示");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForSingleObject(setup.hProcess, radu::test::kPatienceMs), WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(setup.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
    SERVICE_STATUS status = {};
    ControlService(service.handle(), SERVICE_CONTROL_STOP, &status);  // or it takes seconds to go
    radu::test::PollUntil(60000, [&] { return service.State() == SERVICE_STOPPED; });
    TerminateProcess(setup.hProcess, 1);
    CloseHandle(setup.hProcess);
    CloseHandle(setup.hThread);
}

}  // namespace
