#include "support/test_threads.h"

namespace radu::test {
namespace {

template <typename Function>
Function FromKernel(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

}  // namespace

void NameThread(HANDLE thread, const wchar_t* name) {
    static const auto describe = FromKernel<HRESULT(WINAPI*)(HANDLE, PCWSTR)>("SetThreadDescription");
    if (describe != nullptr)
        describe(thread, name);
}

std::wstring ThreadName(DWORD threadId) {
    static const auto read = FromKernel<HRESULT(WINAPI*)(HANDLE, PWSTR*)>("GetThreadDescription");
    const HANDLE thread = ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, threadId);
    if (thread == nullptr || read == nullptr) {
        if (thread != nullptr)
            ::CloseHandle(thread);
        return {};
    }
    std::wstring name;
    PWSTR text = nullptr;
    if (SUCCEEDED(read(thread, &text)) && text != nullptr) {
        name = text;
        ::LocalFree(text);
    }
    ::CloseHandle(thread);
    return name;
}

}  // namespace radu::test
