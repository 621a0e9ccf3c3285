#include "app/registration.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>

#include "app/product.h"
#include "app/shortcut_file.h"
#include "common/unique_handle.h"

namespace radu {

namespace {

constexpr wchar_t kRunKeyParent[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
constexpr wchar_t kUninstallKeyParent[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kVersionKey[] = L"Software\\QRVNvesion";
constexpr wchar_t kVersionValue[] = L"CurrentVesion";
constexpr wchar_t kLinkSuffix[] = L".lnk";
constexpr wchar_t kUninstallLinkSuffix[] = L"卸载.lnk";

// A special folder's path, or the empty text when the look-up fails.
std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return path;
}

void WriteUninstallEntry(const wchar_t* uninstaller) {
    const std::wstring key = std::wstring(kUninstallKeyParent) + kProductName;
    {
        UniqueRegKey created;
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                          nullptr, created.put(), nullptr);
    }
    SetRegString(HKEY_LOCAL_MACHINE, key.c_str(), L"DisplayName", kProductName);
    SetRegString(HKEY_LOCAL_MACHINE, key.c_str(), L"DisplayVersion", kProductVersion);
    SetRegString(HKEY_LOCAL_MACHINE, key.c_str(), L"URLInfoAbout", kMakerSite);
    SetRegString(HKEY_LOCAL_MACHINE, key.c_str(), L"UninstallString", uninstaller);
    SetRegString(HKEY_LOCAL_MACHINE, key.c_str(), L"DisplayIcon", uninstaller);
    SetRegString(HKEY_LOCAL_MACHINE, key.c_str(), L"Publisher", kMakerSite);
}

}  // namespace

int RegisterProduct(const wchar_t* path, int kind, int desktop, int startMenu, int autoStart) {
    if (path == nullptr)
        return 1;
    // The caller's thread normally has COM already; this only adjusts its count. A thread in another
    // apartment mode refuses, and then must not be uninitialised either.
    const bool comReady = SUCCEEDED(::CoInitialize(nullptr));

    const std::wstring linkName = std::wstring(kProductName) + kLinkSuffix;
    if (desktop) {
        std::wstring folder = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
        if (!folder.empty())
            CreateShortcut(path, folder.c_str(), linkName.c_str(), 0, path, SW_SHOWNORMAL);
    }
    if (startMenu) {
        std::wstring folder = SpecialFolder(CSIDL_PROGRAMS);
        if (!folder.empty()) {
            folder = folder + L"\\" + kProductName;
            // Made here when missing; an existing one, or one made here, is used only as the plain folder
            // its path names (CreateShortcut checks it).
            ::CreateDirectoryW(folder.c_str(), nullptr);
            const std::wstring name =
                kind == kRegisterUninstaller ? std::wstring(kProductName) + kUninstallLinkSuffix : linkName;
            CreateShortcut(path, folder.c_str(), name.c_str(), 0, path, SW_SHOWNORMAL);
        }
    }
    if (autoStart) {
        // A key named after the product below Run, holding one value of the same name.
        const std::wstring key = std::wstring(kRunKeyParent) + kProductName;
        SetRegString(HKEY_LOCAL_MACHINE, key.c_str(), kProductName, path);
    }
    if (kind == kRegisterUninstaller) {
        WriteUninstallEntry(path);
        // Stored with its terminator, unlike the values above.
        ::SHSetValueW(HKEY_CURRENT_USER, kVersionKey, kVersionValue, REG_SZ, kProductVersion,
                      sizeof kProductVersion);
    }

    if (comReady)
        ::CoUninitialize();
    return 1;
}

void (*betweenRegistrations)() = nullptr;

bool RegisterInstalledProduct(const wchar_t* installFolder, bool desktop, bool startMenu, bool autoStart) {
    if (installFolder == nullptr)
        return false;
    const std::wstring program = std::wstring(installFolder) + kProgramPath;
    const std::wstring uninstaller = std::wstring(installFolder) + kUninstallerPath;
    if (program.size() >= MAX_PATH || uninstaller.size() >= MAX_PATH)
        return false;
    RegisterProduct(program.c_str(), kRegisterProgram, desktop, startMenu, autoStart);
    if (betweenRegistrations)
        betweenRegistrations();
    RegisterProduct(uninstaller.c_str(), kRegisterUninstaller, 0, startMenu, 0);
    return true;
}

int SetRegString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) {
    if (root == nullptr || subKey == nullptr || *subKey == L'\0' || valueName == nullptr ||
        *valueName == L'\0' || text == nullptr)
        return 0;
    UniqueRegKey key;
    if (::RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS)
        return 0;
    // The data are the text's UTF-16 units without the terminator.
    const DWORD bytes = static_cast<DWORD>(std::wcslen(text) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) ==
                   ERROR_SUCCESS
               ? 1
               : 0;
}

bool CreateShortcut(const wchar_t* target, const wchar_t* folder, const wchar_t* fileName, DWORD hotKey,
                    const wchar_t* description, int showCommand) {
    if (folder == nullptr || fileName == nullptr || target == nullptr)
        return false;
    // A link file whose full path would not fit is not written at all, rather than under a cut name.
    const std::wstring linkPath = std::wstring(folder) + L"\\" + fileName;
    if (linkPath.size() >= MAX_PATH)
        return false;

    // The folder is checked and held before anything is made; the link is saved into memory, and its
    // bytes go out through a handle made and checked here (shortcut_file.h), never through a save by name.
    const UniqueFileHandle held = HoldPlainFolder(folder, false);
    if (!held)
        return false;
    UniqueComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.put()))))
        return false;
    UniqueComPtr<IPersistStream> persist;
    if (FAILED(link->QueryInterface(IID_PPV_ARGS(persist.put()))))
        return false;

    link->SetPath(target);
    if (LOWORD(hotKey) != 0)
        link->SetHotkey(LOWORD(hotKey));
    if (description != nullptr)
        link->SetDescription(description);
    link->SetShowCmd(showCommand);

    UniqueComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        FAILED(persist->Save(stream.get(), TRUE)))
        return false;
    HGLOBAL memory = nullptr;
    ULARGE_INTEGER size = {};
    const LARGE_INTEGER start = {};
    if (FAILED(stream->Seek(start, STREAM_SEEK_CUR, &size)) ||
        FAILED(::GetHGlobalFromStream(stream.get(), &memory)) || size.QuadPart > ::GlobalSize(memory))
        return false;
    const void* data = ::GlobalLock(memory);
    if (data == nullptr)
        return false;
    const std::string bytes(static_cast<const char*>(data), static_cast<size_t>(size.QuadPart));
    ::GlobalUnlock(memory);
    return WritePlainFileIn(folder, fileName, bytes);
}

}  // namespace radu
