// Parts: stop_service.cpp (the service), kill_processes.cpp (the processes).
// Stopping whatever of the product is running before its files are replaced: its service, then every
// process whose executable name is in a list.
#pragma once

#include <windows.h>

#include <cstddef>

namespace radu {

// Time the stop of the service is waited for.
inline constexpr DWORD kServiceStopLimitMs = 10000;

// Asks the named service to stop and waits for it (kServiceStopLimitMs). Returns 1 when a final status
// query finds it stopped, else 0 (also when there is no such service or no right to reach it).
int StopService(const wchar_t* serviceName);

// Polls the service until it reports the wanted state, sleeping the service's wait hint between queries
// (never past the time limit; limitMs = INFINITE for none). True when the state was reached, and also when
// the time limit ran out, with the thread's last error set to ERROR_TIMEOUT. False when a query failed or
// the service stayed in one state without advancing its checkpoint.
bool WaitForServiceState(SC_HANDLE service, DWORD wanted, SERVICE_STATUS* status, DWORD limitMs);

// True when exeFile (an executable's file name, a folder before it is ignored) is name, ignoring the case
// of ASCII letters only.
bool SameExeName(const wchar_t* exeFile, const wchar_t* name);

// Terminates (exit code 0, not waited for) every process whose executable name is one of names.
void KillProcesses(const wchar_t* const* names, size_t count);

}  // namespace radu
