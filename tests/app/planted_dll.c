/* Planted beside the installer under the name of a DLL it loads: once loaded, it leaves "<its own
   path>.loaded" and nothing else (it exports nothing, so a program that imports it from here fails to
   start right after). */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8] = L"";
        if (GetModuleFileNameW(self, path, MAX_PATH) < MAX_PATH) {
            lstrcatW(path, L".loaded");
            CloseHandle(
                CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
        }
    }
    return TRUE;
}
