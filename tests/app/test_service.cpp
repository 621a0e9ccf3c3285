// A service for the tests of stopping the product's service. Its command line says how it answers the stop
// control:
//   stops        stop pending with a checkpoint growing every 20 ms (wait hint 1000 ms) for about 300 ms,
//                then stopped
//   stalls HINT  stop pending with wait hint HINT ms and a checkpoint that never grows
//   crawls       stop pending with a checkpoint that grows every 20 ms (wait hint 200 ms), never stopped
// Whatever the mode it reports stopped and ends when the event "Global\<service name>_release" is set, or
// 30 s after the stop control, so nothing outlives a run.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

constexpr DWORD kStopsHintMs = 1000;

std::wstring g_mode = L"stops";
DWORD g_stallHint = 1000;
SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status = {};
CRITICAL_SECTION g_lock;
HANDLE g_stopAsked = nullptr;
HANDLE g_release = nullptr;

void Report(DWORD state, DWORD checkPoint, DWORD waitHint) {
    EnterCriticalSection(&g_lock);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    g_status.dwWin32ExitCode = NO_ERROR;
    g_status.dwCheckPoint = checkPoint;
    g_status.dwWaitHint = waitHint;
    SetServiceStatus(g_handle, &g_status);
    LeaveCriticalSection(&g_lock);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        if (g_mode == L"stalls")
            Report(SERVICE_STOP_PENDING, 0, g_stallHint);
        else
            Report(SERVICE_STOP_PENDING, 1, kStopsHintMs);
        SetEvent(g_stopAsked);
        return NO_ERROR;
    }
    if (control == SERVICE_CONTROL_INTERROGATE)
        return NO_ERROR;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv) {
    const std::wstring name = argc > 0 ? argv[0] : L"";
    g_release = CreateEventW(nullptr, TRUE, FALSE, (L"Global\\" + name + L"_release").c_str());
    g_handle = RegisterServiceCtrlHandlerExW(name.c_str(), Handler, nullptr);
    if (g_handle == nullptr)
        return;
    Report(SERVICE_RUNNING, 0, 0);
    WaitForSingleObject(g_stopAsked, INFINITE);

    const DWORD start = GetTickCount();
    const DWORD giveUpMs = 30000;
    if (g_mode == L"stops") {
        // The checkpoint grows fifty times within each wait hint, so a waiter still sees progress at every
        // look while the machine's load holds this process back for most of a hint. With a hint of 100 ms
        // a loaded emulated run once saw checkpoint 1 twice (the stop thread not yet scheduled) and, as
        // it should, left the service stop-pending.
        for (DWORD checkPoint = 2; checkPoint <= 16; ++checkPoint) {
            Sleep(20);  // the work of stopping
            Report(SERVICE_STOP_PENDING, checkPoint, kStopsHintMs);
        }
    } else if (g_mode == L"crawls") {
        for (DWORD checkPoint = 2; GetTickCount() - start < giveUpMs; ++checkPoint) {
            if (WaitForSingleObject(g_release, 20) == WAIT_OBJECT_0)
                break;
            Report(SERVICE_STOP_PENDING, checkPoint, 200);  // ten steps within each hint
        }
    } else {
        WaitForSingleObject(g_release, giveUpMs);
    }
    Report(SERVICE_STOPPED, 0, 0);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc > 1)
        g_mode = argv[1];
    if (argv != nullptr && argc > 2)
        g_stallHint = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
    InitializeCriticalSection(&g_lock);
    g_stopAsked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wchar_t name[] = L"";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
