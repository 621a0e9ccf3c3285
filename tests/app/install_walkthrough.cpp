// Walks RadurodiSetup.exe through one quick install as a user would, for the demo and the install
// benchmark: start page, custom page (looked at, left as it is), installing, finish, product started. It
// prints the time from the click on the install button to the finish page, the installer's peak working
// set, and what the install left: files, registry entries, shortcuts, the started product.
//   install_walkthrough [--screenshots FOLDER] [--folder INSTALL_FOLDER] [--setup PROGRAM]
//                                                forget the last install, then walk through a new one
//                                                (into INSTALL_FOLDER, typed on the custom page, or the
//                                                default folder); with a PNG of each stage in FOLDER;
//                                                PROGRAM (a Unix path) instead of RadurodiSetup.exe
//   install_walkthrough --forget                 only forget the last install (its folder, registry
//                                                entries, shortcuts, download)
//   install_walkthrough --show                   only show what the last install left
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "installer_driver.h"
#include "product_state.h"
#include "support/test_paths.h"

namespace radu::test {
namespace {

enum : int { kStatus = 1009, kPercent = 1010, kArrow = 1107, kLicence = 1108, kFolder = 1109 };

void Print(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    std::printf("%s\n", utf8.c_str());
    std::fflush(stdout);
}

void PrintValue(HKEY root, const wchar_t* rootName, const wchar_t* key, const wchar_t* name) {
    const RegText value = ReadRegText(root, key, name);
    Print(std::wstring(L"  ") + rootName + L"\\" + key + L" [" + name + L"] = " +
          (value.present ? L"\"" + value.text + L"\"" : L"(none)"));
}

void PrintLink(const std::wstring& path) {
    const Link link = ReadLink(path);
    Print(L"  " + path + L" -> " + (link.loaded ? link.target : L"(none)"));
}

// Forgets an earlier install and download, so that nothing of them is reused.
void Forget() {
    const std::wstring uninstaller = ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString").text;
    const size_t product = uninstaller.rfind(L"\\VaruUnInstall.exe");
    if (product != std::wstring::npos)
        RemoveTree(uninstaller.substr(0, product));  // wherever the last install went
    ForgetProductRegistration();
    ForgetAcceptedSerial();
    RemoveTree(L"C:\\Program Files\\VaruPhoneAx");
    for (const std::wstring& file : DownloadLeftovers())
        DeleteFileW(file.c_str());
}

// What the last install left: its folder is where its uninstall entry points.
bool Show() {
    const std::wstring uninstaller = ReadRegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString").text;
    const std::wstring relative = L"VaruPhoneAx\\VaruUnInstall.exe";
    if (uninstaller.size() < relative.size()) {
        Print(L"no install found (no uninstall entry)");
        return false;
    }
    const std::wstring product =
        uninstaller.substr(0, uninstaller.size() - relative.size()) + L"VaruPhoneAx\\";
    const std::vector<FoundFile> found = ListFiles(product);
    const size_t files = found.size();
    unsigned long long bytes = 0;
    for (const FoundFile& f : found)
        bytes += f.size;
    Print(L"files: " + std::to_wstring(files) + L" files, " + std::to_wstring(bytes) + L" bytes below " +
          product);
    Print(L"registry:");
    for (const wchar_t* name : {L"DisplayName", L"DisplayVersion", L"UninstallString", L"URLInfoAbout"})
        PrintValue(HKEY_LOCAL_MACHINE, L"HKLM", kUninstallKey, name);
    PrintValue(HKEY_LOCAL_MACHINE, L"HKLM", kProductRunKey, L"Radurodi");
    PrintValue(HKEY_CURRENT_USER, L"HKCU", kVersionKey, L"CurrentVesion");
    Print(L"shortcuts:");
    PrintLink(DesktopLink());
    PrintLink(StartMenuLink());
    PrintLink(UninstallerLink());
    const bool downloadGone = DownloadLeftovers().empty();
    Print(std::wstring(L"download folder: ") +
          (downloadGone ? L"package and part files deleted" : L"package or part files left"));
    if (WaitFor([&] { return FileExists(product + L"started.txt"); }, 10000)) {
        const StartRecord started = ReadStartRecord(product);
        Print(L"product started: " + started.path + L" (by " + started.parentName + L")");
        return true;
    }
    Print(L"product not started");
    return false;
}

class Walkthrough {
  public:
    Walkthrough(std::wstring shots, std::wstring folder, std::string setup)
        : screenshots(std::move(shots)), installFolder(std::move(folder)), program(std::move(setup)) {}

    int Run() {
        Forget();
        Installer in(L"", SW_SHOWNORMAL, program.empty() ? nullptr : program.c_str());
        if (in.Dialog() == nullptr) {
            Print(L"the installer window did not appear");
            return 1;
        }
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(in.process(), &memory, sizeof memory);
        std::printf("start page: working set %.1f MiB\n", memory.WorkingSetSize / (1024.0 * 1024.0));
        Shot(in, L"start");
        in.Click(in.Item(kLicence));
        in.Click(in.Item(kArrow));
        if (!installFolder.empty())
            ::SendMessageW(in.Item(kFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(installFolder.c_str()));
        Shot(in, L"custom");
        Print(L"install folder: " + TextOf(in.Item(kFolder)));

        const DWORD click = GetTickCount();
        in.Click(in.InstallButton());
        if (!screenshots.empty()) {
            WaitFor([&] { return TextOf(in.Item(kPercent)) != L"0%"; }, 60000);
            Shot(in, L"downloading", false);
            WaitFor(
                [&] {
                    return TextOf(in.Item(kStatus)) == L"正在解压资源:" && !TextOf(in.Item(kPercent)).empty();
                },
                60000);
            Shot(in, L"unpacking", false);
        }
        HWND button = in.InstallButton();
        HWND box = nullptr;
        WaitFor(
            [&] {
                return (IsWindowVisible(button) && TextOf(button) == L"完成") ||
                       (box = in.WaitForOwnedDialog(0)) != nullptr;
            },
            600000);
        if (box != nullptr) {
            Print(L"a message box: " + TextOf(GetDlgItem(box, 0xFFFF)));
            return 1;
        }
        if (TextOf(button) != L"完成") {
            Print(L"the finish page did not appear");
            return 1;
        }
        const DWORD finished = GetTickCount();
        GetProcessMemoryInfo(in.process(), &memory, sizeof memory);
        std::printf("install: %.3f s from the click to the finish page; peak working set %.1f MiB\n",
                    (finished - click) / 1000.0, memory.PeakWorkingSetSize / (1024.0 * 1024.0));
        Shot(in, L"finish");
        in.Click(button);
        const DWORD code = in.WaitForExit();
        std::printf("finish button: the installer ended with exit code %lu\n",
                    static_cast<unsigned long>(code));
        return Show() && code == 1005 ? 0 : 1;
    }

  private:
    // A screenshot of the window once it has settled (or at once while it animates).
    void Shot(const Installer& in, const wchar_t* name, bool settle = true) {
        if (screenshots.empty())
            return;
        if (settle)
            in.WaitForStillWindow();
        else
            in.PaintNow();  // the changed texts painted
        const std::wstring path = screenshots + L"\\" + name + L".png";
        if (in.SaveScreenshot(path))
            Print(L"screenshot: " + path);
    }

    std::wstring screenshots;
    std::wstring installFolder;  // typed into the folder field; empty: the default folder
    std::string program;         // the installer's Unix path; empty: RadurodiSetup.exe
};

}  // namespace
}  // namespace radu::test

int wmain(int argc, wchar_t** argv) {
    std::wstring shots, folder;
    std::string setup;  // another build of the installer (a Unix path in the build tree)
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--screenshots" && i + 1 < argc) {
            shots = argv[++i];
        } else if (arg == L"--folder" && i + 1 < argc) {
            folder = argv[++i];
        } else if (arg == L"--setup" && i + 1 < argc) {
            for (const wchar_t* c = argv[++i]; *c; ++c)
                setup += static_cast<char>(*c);
        } else if (arg == L"--forget") {
            radu::test::Forget();
            return 0;
        } else if (arg == L"--show") {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            return radu::test::Show() ? 0 : 1;
        }
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    SetCursorPos(0, 0);  // away from the window: no hover faces
    const int result = radu::test::Walkthrough(shots, folder, setup).Run();
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return result;
}
