// Stopping a service: a test service of our own, registered in the test prefix, answers the stop control
// in one of three ways (tests/app/test_service.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/instances.h"
#include "app/product.h"
#include "helper_programs.h"

namespace {

// Polls until done() or the time is up; true when done() became true.
template <typename Done>
bool PollUntil(DWORD limitMs, Done done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= limitMs)
            return false;
        Sleep(10);
    }
    return true;
}

// One installed and started instance of the test service; removed again, process and all, at the end.
class TestService {
  public:
    explicit TestService(const std::wstring& mode) {
        name_ = L"RaduTest" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter_);
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (manager_ == nullptr)
            return;
        const std::wstring command =
            L"\"" + radu::test::HelperProgram(L"radu_test_service.exe") + L"\" " + mode;
        service_ = CreateServiceW(manager_, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                  command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service_ == nullptr || !StartServiceW(service_, 0, nullptr))
            return;
        running_ = PollUntil(10000, [this] { return State() == SERVICE_RUNNING; });
    }

    ~TestService() {
        if (service_ != nullptr) {
            // A service left stop-pending is told to finish; the service manager does not notice a service
            // process that is simply terminated.
            HANDLE release =
                OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Global\\" + name_ + L"_release").c_str());
            if (release != nullptr) {
                SetEvent(release);
                CloseHandle(release);
                PollUntil(5000, [this] { return State() == SERVICE_STOPPED; });
            }
            if (State() != SERVICE_STOPPED) {
                HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ProcessId());
                if (process != nullptr) {
                    TerminateProcess(process, 1);
                    WaitForSingleObject(process, 5000);
                    WaitForSingleObject(process, 5000);
                    CloseHandle(process);
                }
                PollUntil(5000, [this] { return State() == SERVICE_STOPPED; });
            }
            DeleteService(service_);
            CloseServiceHandle(service_);
        }
        if (manager_ != nullptr)
            CloseServiceHandle(manager_);
    }

    const std::wstring& name() const { return name_; }
    SC_HANDLE handle() const { return service_; }
    bool running() const { return running_; }

    DWORD State() const {
        SERVICE_STATUS status = {};
        return QueryServiceStatus(service_, &status) ? status.dwCurrentState : 0;
    }
    DWORD ProcessId() const {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        return QueryServiceStatusEx(service_, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                    sizeof status, &needed)
                   ? status.dwProcessId
                   : 0;
    }

  private:
    static inline int counter_ = 0;
    std::wstring name_;
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
    bool running_ = false;
};

TEST(StopService, WaitsUntilTheServiceReportsStoppedAndNoLonger) {
    TestService service(L"stops");
    ASSERT_TRUE(service.running());
    const DWORD start = GetTickCount();
    EXPECT_EQ(radu::StopService(service.name().c_str()), 1);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_GE(elapsed, 250u);  // it takes about 300 ms to stop
    EXPECT_LT(elapsed, 3000u);
}

TEST(StopService, AServiceThatMakesNoProgressIsLeftAfterOneWaitHint) {
    TestService service(L"stalls 700");
    ASSERT_TRUE(service.running());
    const DWORD start = GetTickCount();
    EXPECT_EQ(radu::StopService(service.name().c_str()), 0);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_GE(elapsed, 650u);
    EXPECT_LT(elapsed, 1400u);  // one hint, not two, and far from the 10 s limit
}

TEST(StopService, WithoutTheServiceItReturnsAtOnce) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(radu::StopService(L"RaduNoSuchService"), 0);
    EXPECT_EQ(radu::StopService(radu::kServiceName), 0);  // not installed in the test prefix
    EXPECT_LT(GetTickCount() - start, 1000u);
}

TEST(WaitForServiceState, ATimeLimitEndsAWaitThatKeepsProgressing) {
    TestService service(L"crawls");
    ASSERT_TRUE(service.running());
    SERVICE_STATUS status = {};
    ASSERT_TRUE(ControlService(service.handle(), SERVICE_CONTROL_STOP, &status));

    const DWORD start = GetTickCount();
    SetLastError(0);
    EXPECT_TRUE(radu::WaitForServiceState(service.handle(), SERVICE_STOPPED, &status, 1000));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_GE(elapsed, 950u);
    EXPECT_LT(elapsed, 2000u);
}

TEST(WaitForServiceState, AWaitHintLongerThanTheLimitIsCutToTheTimeLeft) {
    TestService service(L"stalls 60000");
    ASSERT_TRUE(service.running());
    SERVICE_STATUS status = {};
    ASSERT_TRUE(ControlService(service.handle(), SERVICE_CONTROL_STOP, &status));

    const DWORD start = GetTickCount();
    SetLastError(0);
    EXPECT_TRUE(radu::WaitForServiceState(service.handle(), SERVICE_STOPPED, &status, 800));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_LT(GetTickCount() - start, 2000u);

    // Without a limit the state it waits for is there already.
    EXPECT_TRUE(radu::WaitForServiceState(service.handle(), SERVICE_STOP_PENDING, &status, INFINITE));
}

}  // namespace
