// The main of every test program: GoogleTest's, plus a watchdog for the process's end. A test program that
// has run its last case must end by itself; one that does not (a thread it waits for at tear-down never
// ends, a static destructor blocks) would otherwise sit until ctest's time limit and say nothing. From the
// global tear-down on, the watchdog gives the process kEndLimitMs to be gone; after that it prints what
// still runs in it (its threads, by name where they have one, and where each started) and every process it
// started that still runs, and ends the process with kExitDidNotEnd.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_threads.h"

namespace radu::test {
namespace {

// Far beyond what a tear-down takes on the slowest road (emulated, under load: the longest, the install
// tests' prefix clean-up, takes a few seconds), far below ctest's limit.
constexpr DWORD kEndLimitMs = 60000;
constexpr int kExitDidNotEnd = 3;

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

// Where a thread started: "module+0xOFFSET" (no symbols in a release build, but the module and offset
// place it with objdump), or "?".
std::string StartOf(HANDLE thread) {
    using QueryThread = NTSTATUS(WINAPI*)(HANDLE, THREADINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryThread>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
    void* start = nullptr;
    constexpr auto kWin32StartAddress = static_cast<THREADINFOCLASS>(9);  // ThreadQuerySetWin32StartAddress
    if (query == nullptr || query(thread, kWin32StartAddress, &start, sizeof start, nullptr) != 0)
        return "?";
    HMODULE module = nullptr;
    wchar_t path[MAX_PATH] = L"?";
    if (::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(start), &module))
        ::GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    char offset[32];
    std::snprintf(
        offset, sizeof offset, "+0x%lx",
        static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(start) - reinterpret_cast<ULONG_PTR>(module)));
    return Utf8(name) + offset;
}

void PrintThreads(DWORD self) {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != ::GetCurrentProcessId() || entry.th32ThreadID == self)
            continue;
        const HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        const std::string name = Utf8(ThreadName(entry.th32ThreadID));
        std::fprintf(stderr, "  thread %lu%s%s%s, started at %s\n", entry.th32ThreadID,
                     name.empty() ? "" : " \"", name.c_str(), name.empty() ? "" : "\"",
                     thread ? StartOf(thread).c_str() : "?");
        if (thread)
            ::CloseHandle(thread);
    }
    ::CloseHandle(snapshot);
}

// Every process started by this one, or by one of those, that still runs.
void PrintChildren() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    std::vector<PROCESSENTRY32W> all;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        all.push_back(entry);
    ::CloseHandle(snapshot);
    std::vector<DWORD> ours = {::GetCurrentProcessId()};
    for (size_t i = 0; i < ours.size(); ++i) {
        for (const PROCESSENTRY32W& process : all) {
            if (process.th32ParentProcessID != ours[i] || process.th32ProcessID == ours[i])
                continue;
            ours.push_back(process.th32ProcessID);
            std::fprintf(stderr, "  process %lu %s, started by %lu\n", process.th32ProcessID,
                         Utf8(process.szExeFile).c_str(), ours[i]);
        }
    }
    if (ours.size() == 1)
        std::fprintf(stderr, "  no process started by it still runs\n");
}

// The limit, which a test of the watchdog itself may shorten.
DWORD EndLimitMs() {
    char text[16] = "";
    const DWORD length = ::GetEnvironmentVariableA("RADU_TEST_END_LIMIT_MS", text, sizeof text);
    return length > 0 && length < sizeof text ? std::strtoul(text, nullptr, 10) : kEndLimitMs;
}

DWORD WINAPI Watch(void*) {
    const DWORD limit = EndLimitMs();
    ::Sleep(limit);  // the process is expected to be gone, watchdog and all, long before
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program = path;
    program = program.substr(program.find_last_of(L"\\/") + 1);
    std::fflush(stdout);
    std::fprintf(stderr, "[ WATCHDOG ] %s did not end %.1f s after its last case; still running in it:\n",
                 Utf8(program).c_str(), limit / 1000.0);
    PrintThreads(::GetCurrentThreadId());
    PrintChildren();
    std::fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), kExitDidNotEnd);
    return 0;
}

class EndWatch : public ::testing::EmptyTestEventListener {
    void OnEnvironmentsTearDownStart(const ::testing::UnitTest&) override {
        if (started)
            return;
        started = true;
        const HANDLE thread = ::CreateThread(nullptr, 0, &Watch, nullptr, 0, nullptr);
        if (thread != nullptr) {
            NameThread(thread, L"test watchdog");
            ::CloseHandle(thread);  // never joined: it ends with the process
        }
    }
    bool started = false;
};

}  // namespace
}  // namespace radu::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    radu::test::NameThread(::GetCurrentThread(), L"main");
    ::testing::UnitTest::GetInstance()->listeners().Append(new radu::test::EndWatch);
    return RUN_ALL_TESTS();
}
