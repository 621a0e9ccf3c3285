// A test service of our own (tests/app/test_service.cpp), installed and started in the test prefix for
// the length of a test, answering the stop control in the way its mode names.
#pragma once

#include <windows.h>

#include <string>

#include "helper_programs.h"

namespace radu::test {

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
    // A name of its own unless one is given.
    explicit TestService(const std::wstring& mode, const std::wstring& name = L"") {
        serviceName = !name.empty() ? name
                                    : L"RaduTest" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                          std::to_wstring(++counter);
        manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (manager == nullptr)
            return;
        const std::wstring command = L"\"" + HelperProgram(L"radu_test_service.exe") + L"\" " + mode;
        service = CreateServiceW(manager, serviceName.c_str(), serviceName.c_str(), SERVICE_ALL_ACCESS,
                                 SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                 command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service == nullptr || !StartServiceW(service, 0, nullptr))
            return;
        isRunning = PollUntil(60000, [this] { return State() == SERVICE_RUNNING; });
    }

    ~TestService() {
        if (service != nullptr) {
            // A service left stop-pending is told to finish; the service manager does not notice a service
            // process that is simply terminated.
            HANDLE release =
                OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Global\\" + serviceName + L"_release").c_str());
            if (release != nullptr) {
                SetEvent(release);
                CloseHandle(release);
                PollUntil(60000, [this] { return State() == SERVICE_STOPPED; });
            }
            if (State() != SERVICE_STOPPED) {
                HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ProcessId());
                if (process != nullptr) {
                    TerminateProcess(process, 1);
                    WaitForSingleObject(process, 60000);
                    WaitForSingleObject(process, 60000);
                    CloseHandle(process);
                }
                PollUntil(60000, [this] { return State() == SERVICE_STOPPED; });
            }
            DeleteService(service);
            CloseServiceHandle(service);
        }
        if (manager != nullptr)
            CloseServiceHandle(manager);
    }

    const std::wstring& name() const { return serviceName; }
    SC_HANDLE handle() const { return service; }
    bool running() const { return isRunning; }

    DWORD State() const {
        SERVICE_STATUS status = {};
        return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
    }
    DWORD ProcessId() const {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                    sizeof status, &needed)
                   ? status.dwProcessId
                   : 0;
    }

  private:
    static inline int counter = 0;
    std::wstring serviceName;
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    bool isRunning = false;
};

}  // namespace radu::test
