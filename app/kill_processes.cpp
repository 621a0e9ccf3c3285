#include "app/instances.h"

#include <tlhelp32.h>

#include <cwchar>

#include "common/plain_text.h"
#include "common/unique_handle.h"

namespace radu {

bool SameExeName(const wchar_t* exeFile, const wchar_t* name) {
    if (exeFile == nullptr || name == nullptr)
        return false;
    const wchar_t* slash = std::wcsrchr(exeFile, L'\\');
    return SameIgnoringAsciiCase(slash != nullptr ? slash + 1 : exeFile, name);
}

void KillProcesses(const wchar_t* const* names, size_t count) {
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        for (size_t i = 0; i < count; ++i) {
            if (!SameExeName(entry.szExeFile, names[i]))
                continue;
            UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
            if (process)
                ::TerminateProcess(process.get(), 0);
            break;
        }
    }
}

}  // namespace radu
