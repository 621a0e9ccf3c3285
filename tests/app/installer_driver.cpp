#include "installer_driver.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <cwchar>
#include <memory>

#include "app/download_folder.h"
#include "build_config.h"
#include "common/device_context.h"
#include "common/unique_handle.h"
#include "support/test_paths.h"

namespace radu::test {

const wchar_t kInstallerTitle[] = L"Radurodi安装程序";

std::wstring Temp() {
    wchar_t path[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, path);
    return path;
}

std::wstring DownloadFolder() {
    return Env(L"ProgramFiles") + L"\\" + kDownloadFolderName + L"\\";
}

bool MakeDownloadFolder() {
    return MakeFolder(DownloadFolder(), kDownloadFolderSddl) || DirExists(DownloadFolder());
}

std::vector<std::wstring> DownloadLeftovers() {
    const std::wstring package = DownloadFolder() + L"VaruPhoneAx.zip";
    std::vector<std::wstring> found;
    for (const wchar_t* suffix : {L"", L"_0", L"_1", L"_2", L"_3", L"_tmp", L"_join", L"_source"})
        if (FileExists(package + suffix))
            found.push_back(package + suffix);
    return found;
}

bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start > milliseconds)
            return false;
        ::Sleep(5);
    }
}

StartRecord ReadStartRecord(const std::wstring& folder) {
    const std::string bytes = ReadFileBytes(folder + L"started.txt");
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    StartRecord record;
    const size_t first = text.find(L'\n'), second = text.find(L'\n', first == text.npos ? first : first + 1);
    record.path = text.substr(0, first);
    if (first == std::wstring::npos)
        return record;
    record.commandLine = text.substr(first + 1, second == text.npos ? second : second - first - 1);
    if (second == std::wstring::npos)
        return record;
    const std::wstring parent = text.substr(second + 1);
    record.parentId = static_cast<DWORD>(std::wcstoul(parent.c_str(), nullptr, 10));
    const size_t space = parent.find(L' ');
    if (space != std::wstring::npos)
        record.parentName = parent.substr(space + 1);
    return record;
}

namespace {

constexpr wchar_t kHttpHandlerKey[] = L"http\\shell\\open\\command";

void SetHttpHandler(const std::wstring& command) {
    ::RegSetKeyValueW(HKEY_CLASSES_ROOT, kHttpHandlerKey, nullptr, REG_SZ, command.c_str(),
                      static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

RecordingBrowser::RecordingBrowser() : folder(L"C:\\radu-browser\\") {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring browser = folder + L"browser.exe";
    ::CopyFileW(WindowsPath(RADU_MARKER_EXE).c_str(), browser.c_str(), FALSE);
    wchar_t old[1024] = L"";
    DWORD bytes = sizeof old;
    hadHandler = ::RegGetValueW(HKEY_CLASSES_ROOT, kHttpHandlerKey, nullptr, RRF_RT_REG_SZ, nullptr, old,
                                &bytes) == ERROR_SUCCESS;
    oldHandler = old;
    SetHttpHandler(L"\"" + browser + L"\" \"%1\"");
}

RecordingBrowser::~RecordingBrowser() {
    if (hadHandler)
        SetHttpHandler(oldHandler);
    RemoveTree(folder);
}

bool RecordingBrowser::Started() const {
    return FileExists(folder + L"started.txt");
}

void RecordingBrowser::Forget() const {
    ::DeleteFileW((folder + L"started.txt").c_str());
}

namespace {

struct FindData {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindTitle(HWND hwnd, LPARAM param) {
    auto* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == data->processId && TextOf(hwnd) == kInstallerTitle) {
        data->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindSkinButton1005(HWND hwnd, LPARAM param) {
    if (::GetDlgCtrlID(hwnd) == 1005 && ClassOf(hwnd) == L"RaduSkinButton") {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindToolTip(HWND hwnd, LPARAM param) {
    if (ClassOf(hwnd) == TOOLTIPS_CLASSW) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct OwnedSearch {
    HWND main;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND hwnd, LPARAM param) {
    auto* data = reinterpret_cast<OwnedSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == data->processId && hwnd != data->main && ::IsWindowVisible(hwnd) &&
        ClassOf(hwnd) == L"#32770") {
        data->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

ScreenPixels CaptureScreen(int left, int top, int width, int height) {
    radu::WindowDc screen = radu::WindowDc::Client(nullptr);
    return ReadPixels(width, height,
                      [&](HDC dc) { ::BitBlt(dc, 0, 0, width, height, screen.get(), left, top, SRCCOPY); });
}

bool PngEncoder(CLSID& clsid) {
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    if (bytes == 0)
        return false;
    std::unique_ptr<BYTE[]> buffer(new BYTE[bytes]);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
    Gdiplus::GetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/png") {
            clsid = codecs[i].Clsid;
            return true;
        }
    return false;
}

}  // namespace

int PackageServerPort() {
    const std::wstring host = RADU_PACKAGE_HOST;  // "127.0.0.1:PORT"
    return _wtoi(host.substr(host.rfind(L':') + 1).c_str());
}

std::wstring WindowsPath(const char* unixPath) {
    std::wstring out = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
    return out;
}

bool IsOrange(DWORD c) {
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return r > 200 && g > 100 && g < 210 && b < 120;
}

bool IsLightBlue(DWORD c) {
    const int r = (c >> 16) & 0xFF, b = c & 0xFF;
    return b > 200 && b > r + 10;
}

bool IsWhite(DWORD c) {
    return c == 0xFFFFFF;
}

std::wstring TextOf(HWND hwnd) {
    // Sent, not GetWindowTextW: that does not ask a control of another process for its text.
    wchar_t text[1024] = L"";
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, kPatienceMs,
                          &length);
    return std::wstring(text, length < 1024 ? length : 1023);
}

int TextLength(HWND hwnd) {
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kPatienceMs, &length);
    return static_cast<int>(length);
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128] = L"";
    ::GetClassNameW(hwnd, name, 128);
    return name;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool Checked(HWND box) {
    return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

namespace {

bool StartSetup(const std::wstring& arguments, WORD show, const char* program, PROCESS_INFORMATION* info) {
    if (program == nullptr)
        program = RADU_SETUP_EXE;
    const std::wstring exe = program[0] != '\0' && program[1] == ':'
                                 ? std::wstring(program, program + strlen(program))
                                 : WindowsPath(program);
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    return ::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, info) != FALSE;
}

}  // namespace

Installer::Installer(const std::wstring& arguments, WORD show, const char* program) {
    if (!StartSetup(arguments, show, program, &processInfo))
        return;
    FindData data = {processInfo.dwProcessId, nullptr};
    WaitFor(
        [&] {
            data.found = nullptr;
            ::EnumWindows(&FindTitle, reinterpret_cast<LPARAM>(&data));
            if (data.found != nullptr && (::IsWindowVisible(data.found) || ::IsIconic(data.found)))
                return true;
            // A copy that shows a box instead of its window, or ends, has nothing more to show. (A dialog
            // of the process that shows with the installer's title is its window, just shown.)
            HWND shown = FindOtherDialog(processInfo.dwProcessId, nullptr);
            data.found = shown != nullptr && TextOf(shown) == kInstallerTitle ? shown : nullptr;
            return shown != nullptr || !running();
        },
        kPatienceMs);
    dialog = data.found;
    if (dialog == nullptr)
        return;
    dialogThreadId = ::GetWindowThreadProcessId(dialog, nullptr);
    ::EnumThreadWindows(dialogThreadId, &FindToolTip, reinterpret_cast<LPARAM>(&toolTip));
}

Installer::~Installer() {
    if (processInfo.hProcess == nullptr)
        return;
    if (running()) {
        ::TerminateProcess(processInfo.hProcess, 99);
        ::WaitForSingleObject(processInfo.hProcess, kPatienceMs);
    }
    ::CloseHandle(processInfo.hThread);
    ::CloseHandle(processInfo.hProcess);
}

bool Installer::running() const {
    return processInfo.hProcess != nullptr && ::WaitForSingleObject(processInfo.hProcess, 0) == WAIT_TIMEOUT;
}

HWND FindInstallButton(HWND dialog) {
    HWND found = nullptr;
    ::EnumChildWindows(dialog, &FindSkinButton1005, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FindOtherDialog(DWORD processId, HWND main) {
    OwnedSearch search = {main, processId, nullptr};
    ::EnumWindows(&FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Installer::InstallButton() const {
    return FindInstallButton(dialog);
}

void Installer::Settle() {
    // Posted messages of one thread are handled in the order they were posted: once a marker posted now
    // has taken effect, everything posted before it has been handled too. The marker is the delay time
    // of the licence link's tooltip, which the installer never touches.
    if (toolTip == nullptr)
        return;
    const LPARAM marker = 1000 + (++settleCount % 20000);
    ::PostMessageW(toolTip, TTM_SETDELAYTIME, TTDT_AUTOPOP, marker);
    WaitFor(
        [&] {
            DWORD_PTR delay = 0;
            if (!::SendMessageTimeoutW(toolTip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0, SMTO_NORMAL, 200, &delay))
                return !running();
            return static_cast<LPARAM>(delay) == marker || !running();
        },
        kPatienceMs);
}

void Installer::PaintNow() const {
    if (dialog != nullptr)
        ::RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Installer::PostAndSettle(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    ::PostMessageW(target, message, wParam, lParam);
    Settle();
}

void Installer::MouseClick(HWND control, int x, int y) {
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostAndSettle(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void Installer::MouseDoubleClick(HWND control, int x, int y) {
    ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    ::PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
    PostAndSettle(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

DWORD Installer::WaitForExit(DWORD milliseconds) {
    if (processInfo.hProcess == nullptr)
        return STILL_ACTIVE;
    ::WaitForSingleObject(processInfo.hProcess, milliseconds);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(processInfo.hProcess, &code);
    return code;
}

void Installer::Kill() {
    if (processInfo.hProcess == nullptr)
        return;
    ::TerminateProcess(processInfo.hProcess, 99);
    ::WaitForSingleObject(processInfo.hProcess, kPatienceMs);
}

namespace {
constexpr wchar_t kSetupDefaults[] = L"Software\\Wine\\AppDefaults\\RadurodiSetup.exe";
}

WineDllOverride::WineDllOverride(const std::vector<std::wstring>& names, const wchar_t* how) {
    const std::wstring key = std::wstring(kSetupDefaults) + L"\\DllOverrides";
    for (const std::wstring& name : names)
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, how,
                          static_cast<DWORD>((std::wcslen(how) + 1) * sizeof(wchar_t)));
}

WineDllOverride::~WineDllOverride() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSetupDefaults);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kSetupDefaults);
}

DWORD RunInstallerToEnd(DWORD milliseconds) {
    PROCESS_INFORMATION info = {};
    if (!StartSetup(L"", SW_SHOWNORMAL, nullptr, &info))
        return STILL_ACTIVE;
    radu::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.get(), &code);
    else
        ::TerminateProcess(process.get(), 99);
    return code;
}

HWND Installer::WaitForOwnedDialog(DWORD milliseconds) const {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindOtherDialog(processInfo.dwProcessId, dialog)) != nullptr; },
            milliseconds);
    return found;
}

ScreenPixels Installer::CaptureClient(const std::function<bool(const ScreenPixels&)>& ready,
                                      DWORD milliseconds) const {
    PaintNow();
    ScreenPixels pixels;
    WaitFor(
        [&] {
            POINT origin = {0, 0};
            ::ClientToScreen(dialog, &origin);
            RECT client;
            ::GetClientRect(dialog, &client);
            pixels = CaptureScreen(origin.x, origin.y, client.right, client.bottom);
            return !ready || ready(pixels);
        },
        milliseconds);
    return pixels;
}

void Installer::WaitForStillWindow(DWORD milliseconds) const {
    PaintNow();
    ScreenPixels last;
    WaitFor(
        [&] {
            ::Sleep(100);
            RECT window;
            ::GetWindowRect(dialog, &window);
            ScreenPixels now = CaptureScreen(window.left, window.top, window.right - window.left,
                                             window.bottom - window.top);
            const bool still = now.rgb == last.rgb;
            last = std::move(now);
            return still;
        },
        milliseconds);
}

bool Installer::SaveScreenshot(const std::wstring& path) const {
    RECT window;
    ::GetWindowRect(dialog, &window);
    const ScreenPixels pixels =
        CaptureScreen(window.left, window.top, window.right - window.left, window.bottom - window.top);
    Gdiplus::Bitmap bitmap(pixels.width, pixels.height, PixelFormat32bppRGB);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            bitmap.SetPixel(x, y, Gdiplus::Color(0xFF000000 | pixels.at(x, y)));
    CLSID png;
    return PngEncoder(png) && bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

void* Installer::RemoteText(const std::wstring& text) {
    return RemoteData(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

void* Installer::RemoteData(const void* data, size_t bytes) {
    void* remote =
        ::VirtualAllocEx(processInfo.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr)
        return nullptr;
    ::WriteProcessMemory(processInfo.hProcess, remote, data, bytes, nullptr);
    remoteBlocks.push_back(remote);
    return remote;
}

bool Installer::ReadRemote(const void* remote, void* out, size_t bytes) const {
    SIZE_T read = 0;
    return ::ReadProcessMemory(processInfo.hProcess, remote, out, bytes, &read) && read == bytes;
}

}  // namespace radu::test
