#include "process_figures.h"

#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace radu::test {

namespace {

// One entry of a process's GDI handle table as Wine lays it out (24 bytes; Windows answers GetGuiResources).
#pragma pack(push, 1)
struct GdiTableEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;  // 0: free
    uint8_t flags;
    uint64_t userPointer;
};
#pragma pack(pop)
constexpr size_t kGdiTableEntries = 0x10000;
// GdiSharedHandleTable in the PEB of a process built like this one.
constexpr size_t kPebGdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;

long GdiTableCount(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return -1;
    uintptr_t table = 0;
    if (!::ReadProcessMemory(process,
                             reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset, &table,
                             sizeof table, nullptr) ||
        table == 0)
        return -1;
    std::vector<GdiTableEntry> entries(kGdiTableEntries);
    if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                             entries.size() * sizeof(GdiTableEntry), nullptr))
        return -1;
    long live = 0;
    for (const GdiTableEntry& entry : entries)
        live += entry.type != 0 ? 1 : 0;
    return live;
}

// The process's entries in the system's handle list (SystemHandleInformation).
struct SystemHandleEntry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};
constexpr int kSystemHandleInformation = 16;

long SystemListCount(DWORD processId) {
    std::vector<char> buffer(1 << 20);
    for (int tries = 0; tries < 4; ++tries, buffer.resize(buffer.size() * 4)) {
        ULONG returned = 0;
        const NTSTATUS status =
            NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemHandleInformation),
                                     buffer.data(), static_cast<ULONG>(buffer.size()), &returned);
        if (status != 0)
            continue;  // too small, most likely
        const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
        const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
        long mine = 0;
        for (ULONG i = 0; i < count; ++i)
            mine += entries[i].processId == processId ? 1 : 0;
        return mine;
    }
    return -1;
}

struct WindowCount {
    DWORD processId;
    long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
    ++reinterpret_cast<WindowCount*>(param)->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM param) {
    auto* windows = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == windows->processId) {
        ++windows->count;
        ::EnumChildWindows(hwnd, &CountChild, param);
    }
    return TRUE;
}

}  // namespace

ProcessFigures ReadFigures(HANDLE process, DWORD processId) {
    ProcessFigures figures;
    const DWORD gdi = ::GetGuiResources(process, GR_GDIOBJECTS);
    if (gdi != 0) {
        figures.gdiObjects = static_cast<long>(gdi);
        figures.userObjects = static_cast<long>(::GetGuiResources(process, GR_USEROBJECTS));
        figures.from = "GetGuiResources";
    } else {
        figures.gdiObjects = GdiTableCount(process);
        figures.from = "GDI handle table";
    }
    DWORD handles = 0;
    if (::GetProcessHandleCount(process, &handles) && handles != 0) {
        figures.handles = static_cast<long>(handles);
        figures.from += ", GetProcessHandleCount";
    } else {
        figures.handles = SystemListCount(processId);
        figures.from += ", system handle list";
    }
    WindowCount windows = {processId, 0};
    ::EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    figures.windows = windows.count;
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(process, &memory, sizeof memory))
        figures.workingSetMiB = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
    return figures;
}

std::string FiguresText(const ProcessFigures& figures) {
    char text[160];
    char user[16] = "n/a";
    if (figures.userObjects >= 0)
        std::snprintf(user, sizeof user, "%ld", figures.userObjects);
    std::snprintf(text, sizeof text, "gdi %ld user %s windows %ld handles %ld working set %.1f MiB",
                  figures.gdiObjects, user, figures.windows, figures.handles, figures.workingSetMiB);
    return text;
}

}  // namespace radu::test
