// What an install of the product leaves on this machine outside its folder, as tests read it back: the
// registry keys, the shortcuts and their targets, and a way to forget all of it before a test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace radu::test {

extern const wchar_t kRunKey[];         // HKLM, the system's start-with-the-system key
extern const wchar_t kProductRunKey[];  // HKLM, the product's key below it
extern const wchar_t kUninstallKey[];   // HKLM, the product's entry in the list of installed programs
extern const wchar_t kVersionKey[];     // HKCU

std::wstring SpecialFolder(int csidl);
std::wstring DesktopLink();      // the all-users desktop's "Radurodi.lnk"
std::wstring StartMenuFolder();  // Programs\Radurodi
std::wstring StartMenuLink();    // ...\Radurodi.lnk
std::wstring UninstallerLink();  // ...\Radurodi卸载.lnk

struct Link {
    bool loaded = false;
    std::wstring target, description, arguments, workingFolder, iconPath;
    int showCommand = 0;
    WORD hotKey = 0;
};
// A shell link read back through IShellLinkW (COM must be initialised on the thread).
Link ReadLink(const std::wstring& path);

// A REG_SZ value; `present` false when the key or the value is missing.
struct RegText {
    bool present = false;
    std::wstring text;
};
RegText ReadRegText(HKEY root, const wchar_t* key, const wchar_t* name);

// Removes every registry entry and shortcut an install of the product makes.
void ForgetProductRegistration();

// The highest package serial the installer has accepted on this machine (0: none); set by a test as if an
// earlier install had accepted it, and forgotten (the key goes) before the next.
uint64_t AcceptedSerial();
void SetAcceptedSerial(uint64_t serial);
void ForgetAcceptedSerial();
// The security of the key that keeps it, as SDDL (owner and DACL); empty when there is no key.
std::wstring AcceptedSerialKeySddl();

}  // namespace radu::test
