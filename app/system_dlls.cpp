#include "app/system_dlls.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace radu {
namespace {

// The DLLs the build delay-loads (cmake/delay_imports.cmake), separated by spaces.
constexpr char kDelayLoaded[] = RADU_DELAY_LOADED_DLLS;
// What system DLLs load later by themselves, through the system's own delay-load resolution rather than
// LoadLibrary: GDI+ its picture codecs (the Windows Imaging Component, which imports propsys.dll), the
// visual styles (uxtheme) the drawing helpers of msimg32.dll. Wine 8 resolves such loads with the search
// path the process started with, the program's folder first, whatever SetDefaultDllDirectories said (a
// planted propsys.dll and msimg32.dll were loaded so); loaded from System32 beforehand, each is found
// already loaded. Not every Windows needs them, so one that is missing is no reason to stop.
constexpr const wchar_t* kLoadedLaterBySystem[] = {L"windowscodecs.dll", L"msimg32.dll"};

// DLL and function names are ASCII.
std::wstring Widen(const char* text) {
    std::wstring out;
    for (; *text != '\0'; ++text)
        out.push_back(static_cast<unsigned char>(*text));
    return out;
}

bool Refuse(const std::wstring& text) {
    ::MessageBoxW(nullptr, text.c_str(), L"提示", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return false;
}

std::wstring CannotLoad(const std::wstring& dll) {
    return L"无法从系统文件夹载入 " + dll + L"，安装程序无法运行。";
}

// Every DLL the delay-load helper is about to load comes from System32, whatever search path the process
// has. (When this fails the helper tries LoadLibraryA with the bare name, which by then searches System32
// only too, and fails in the same way.)
FARPROC WINAPI LoadFromSystem32(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary)
        return nullptr;
    return reinterpret_cast<FARPROC>(::LoadLibraryExA(info->szDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

// Without a failure hook the helper raises an exception nobody catches, and the program vanishes in the
// middle of whatever it was doing. A DLL that cannot be loaded is found at start-up (UseSystemDllsOnly);
// what is left is a function the system's DLL lacks, on any thread: the user is told, and the program
// ends there.
FARPROC WINAPI EndOnFailure(unsigned notification, PDelayLoadInfo info) {
    std::wstring text = CannotLoad(Widen(info->szDll));
    if (notification == dliFailGetProc) {
        const std::wstring function = info->dlp.fImportByName ? Widen(info->dlp.szProcName)
                                                              : L"#" + std::to_wstring(info->dlp.dwOrdinal);
        text = L"系统文件 " + Widen(info->szDll) + L" 缺少 " + function + L"，安装程序无法运行。";
    }
    Refuse(text);
    ::ExitProcess(0);
}

}  // namespace

bool UseSystemDllsOnly() {
    // Windows 8 has SetDefaultDllDirectories, Windows 7 only with update KB2533623: looked up, so that the
    // program can still say why it stops.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories == nullptr || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return Refuse(
            L"这台电脑的 Windows 缺少安全更新 KB2533623，安装程序无法安全地运行。请更新 Windows 后再试。");

    // Loaded now and kept for the program's life: the helper finds each one loaded when the first of its
    // functions is called.
    std::string names = kDelayLoaded;
    for (size_t start = 0; start < names.size();) {
        size_t end = names.find(' ', start);
        if (end == std::string::npos)
            end = names.size();
        const std::wstring dll = Widen(names.substr(start, end - start).c_str());
        if (::LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) == nullptr)
            return Refuse(CannotLoad(dll));
        start = end + 1;
    }
    for (const wchar_t* dll : kLoadedLaterBySystem)
        ::LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return true;
}

}  // namespace radu

// The delay-load helper's hooks (libmingwex has empty ones; these definitions take their place).
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = radu::LoadFromSystem32;
PfnDliHook __pfnDliFailureHook2 = radu::EndOnFailure;
}
