#include "app/instances.h"

#include "common/unique_handle.h"

namespace radu {

int StopService(const wchar_t* serviceName) {
    {
        UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (manager) {
            UniqueServiceHandle service(
                ::OpenServiceW(manager.get(), serviceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
            if (service) {
                SERVICE_STATUS status = {};
                // A service that is not running refuses the control; the wait then ends at once.
                ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
                WaitForServiceState(service.get(), SERVICE_STOPPED, &status, kServiceStopLimitMs);
            }
        }
    }

    UniqueServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return 0;
    bool queried = false;
    SERVICE_STATUS_PROCESS current = {};
    {
        UniqueServiceHandle service(::OpenServiceW(manager.get(), serviceName, SERVICE_QUERY_STATUS));
        if (service) {
            DWORD needed = 0;
            queried =
                ::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                       reinterpret_cast<BYTE*>(&current), sizeof current, &needed) != FALSE;
        }
    }
    return queried && current.dwCurrentState == SERVICE_STOPPED ? 1 : 0;
}

bool WaitForServiceState(SC_HANDLE service, DWORD wanted, SERVICE_STATUS* status, DWORD limitMs) {
    // Measured as elapsed ticks, so that the wrap of the tick count does not end the wait early.
    const DWORD start = ::GetTickCount();
    if (!::QueryServiceStatus(service, status))
        return false;
    bool first = true;
    DWORD lastState = 0;
    DWORD lastCheckPoint = 0;
    for (;;) {
        if (status->dwCurrentState == wanted)
            return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (limitMs != INFINITE && elapsed >= limitMs) {
            ::SetLastError(ERROR_TIMEOUT);
            return true;
        }
        if (first) {
            first = false;
            lastState = status->dwCurrentState;
            lastCheckPoint = status->dwCheckPoint;
        } else if (status->dwCurrentState != lastState) {
            lastState = status->dwCurrentState;
            lastCheckPoint = status->dwCheckPoint;
        } else if (status->dwCheckPoint <= lastCheckPoint) {
            return false;  // no progress since the last wait hint
        } else {
            lastCheckPoint = status->dwCheckPoint;
        }
        // The service says how long its next step takes; a hint beyond the limit is cut to the time left.
        DWORD pause = status->dwWaitHint;
        if (limitMs != INFINITE && pause > limitMs - elapsed)
            pause = limitMs - elapsed;
        ::Sleep(pause);
        if (!::QueryServiceStatus(service, status))
            return false;
    }
}

}  // namespace radu
