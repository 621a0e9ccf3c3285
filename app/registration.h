// Registering the installed product with the system: shortcuts on the all-users desktop and in the Start
// menu, the start-with-the-system entry, the entry in the list of installed programs and the version key.
// Every step that fails is skipped; nothing is undone.
#pragma once

#include <windows.h>

namespace radu {

enum RegisterKind : int {
    kRegisterProgram = 0,
    kRegisterUninstaller = 1,
};

// Registers one file (its full path). For the program: the desktop shortcut, the start-menu shortcut and
// the start-with-the-system entry, each as its flag says. For the uninstaller: the start-menu uninstall
// shortcut as its flag says, then the uninstall entry and the version key. Always returns 1.
int RegisterProduct(const wchar_t* path, int kind, int desktop, int startMenu, int autoStart);

// Test seam: when set, called between the program's registration and the uninstaller's, the moment a
// test stops the installer at to cut it off while it registers.
extern void (*betweenRegistrations)();

// The two calls that follow unpacking into installFolder (whose text ends with "\"): the program with the
// three options, then the uninstaller with the start-menu option only. False, with nothing written, when a
// joined path would not fit in 259 UTF-16 units.
bool RegisterInstalledProduct(const wchar_t* installFolder, bool desktop, bool startMenu, bool autoStart);

// Creates or opens subKey below root and writes valueName as REG_SZ, without the text's terminator.
// Returns 1 when written, else 0 (also for a null root, a null or empty subKey or valueName, a null text).
int SetRegString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text);

// Saves a shell link to target as folder\fileName. The hot key is set when its low 16 bits are not 0, the
// description when one is given. COM must be initialised on the calling thread. True when saved; false,
// with nothing written, when folder is not the plain folder its path names or the file at the name is not
// a plain file of one name (shortcut_file.h).
bool CreateShortcut(const wchar_t* target, const wchar_t* folder, const wchar_t* fileName, DWORD hotKey,
                    const wchar_t* description, int showCommand);

}  // namespace radu
