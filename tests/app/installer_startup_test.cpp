// Before its window appears, the installer stops the product's service and ends the product's processes.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/product.h"
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

}  // namespace
