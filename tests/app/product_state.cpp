#include "product_state.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstring>

#include "app/accepted_serial.h"
#include "common/unique_handle.h"
#include "support/test_paths.h"

namespace radu::test {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kProductRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Radurodi";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Radurodi";
const wchar_t kVersionKey[] = L"Software\\QRVNvesion";

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring DesktopLink() {
    return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Radurodi.lnk";
}

std::wstring StartMenuFolder() {
    return SpecialFolder(CSIDL_PROGRAMS) + L"\\Radurodi";
}

std::wstring StartMenuLink() {
    return StartMenuFolder() + L"\\Radurodi.lnk";
}

std::wstring UninstallerLink() {
    return StartMenuFolder() + L"\\Radurodi卸载.lnk";
}

Link ReadLink(const std::wstring& path) {
    Link link;
    radu::UniqueComPtr<IShellLinkW> shell;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(shell.put()))))
        return link;
    radu::UniqueComPtr<IPersistFile> file;
    if (SUCCEEDED(shell->QueryInterface(IID_PPV_ARGS(file.put())))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            link.loaded = true;
            wchar_t text[MAX_PATH] = {};
            shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
            link.target = text;
            text[0] = L'\0';
            shell->GetDescription(text, MAX_PATH);
            link.description = text;
            text[0] = L'\0';
            shell->GetArguments(text, MAX_PATH);
            link.arguments = text;
            text[0] = L'\0';
            shell->GetWorkingDirectory(text, MAX_PATH);
            link.workingFolder = text;
            text[0] = L'\0';
            int icon = 0;
            shell->GetIconLocation(text, MAX_PATH, &icon);
            link.iconPath = text;
            shell->GetHotkey(&link.hotKey);
        }
    }
    // The show command is read from the file's header (32-bit field at offset 60): Wine's link loader
    // does not restore it.
    const std::string bytes = ReadFileBytes(path);
    if (bytes.size() >= 64)
        std::memcpy(&link.showCommand, bytes.data() + 60, 4);
    return link;
}

RegText ReadRegText(HKEY root, const wchar_t* key, const wchar_t* name) {
    RegText value;
    wchar_t text[1024] = {};
    DWORD bytes = sizeof text;
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, text, &bytes) == ERROR_SUCCESS) {
        value.present = true;
        value.text = text;
    }
    return value;
}

void ForgetProductRegistration() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductRunKey);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, L"Radurodi");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kVersionKey);
    DeleteFileW(DesktopLink().c_str());
    RemoveTree(StartMenuFolder());
}

uint64_t AcceptedSerial() {
    uint64_t serial = 0;
    DWORD size = sizeof serial;
    RegGetValueW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey, kAcceptedSerialValue, RRF_RT_REG_QWORD, nullptr,
                 &serial, &size);
    return serial;
}

void SetAcceptedSerial(uint64_t serial) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey, kAcceptedSerialValue, REG_QWORD, &serial,
                    sizeof serial);
}

void ForgetAcceptedSerial() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey);
}

std::wstring AcceptedSerialKeySddl() {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAcceptedSerialKey, 0, READ_CONTROL, key.put()) != ERROR_SUCCESS)
        return {};
    UniqueLocalMemory descriptor;
    if (GetSecurityInfo(key.get(), SE_REGISTRY_KEY, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr, descriptor.put()) != ERROR_SUCCESS)
        return L"(unreadable)";
    UniqueLocalMemory text;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.get(), SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
            reinterpret_cast<LPWSTR*>(text.put()), nullptr))
        return L"(unreadable)";
    return static_cast<const wchar_t*>(text.get());
}

}  // namespace radu::test
