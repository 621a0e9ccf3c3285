#include "app/instances.h"

#include <tlhelp32.h>

#include <cwchar>

#include "common/unique_handle.h"

namespace radu {

namespace {

wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

}  // namespace

bool SameExeName(const wchar_t* exeFile, const wchar_t* name) {
    if (exeFile == nullptr || name == nullptr)
        return false;
    const wchar_t* slash = std::wcsrchr(exeFile, L'\\');
    const wchar_t* a = slash != nullptr ? slash + 1 : exeFile;
    const wchar_t* b = name;
    for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b))
            return false;
    }
    return *a == *b;
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
