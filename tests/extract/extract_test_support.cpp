#include "extract/extract_test_support.h"

#include <gtest/gtest.h>

#include "support/test_paths.h"

namespace radu::test {

std::wstring ArchivePath(const std::wstring& name) {
    return Env(L"RADU_EXTRACT_ARCHIVES") + L"\\" + name;
}

static void ListInto(const std::wstring& dir, const std::wstring& prefix, std::set<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring n = fd.cFileName;
        if (n == L"." || n == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.insert(prefix + n + L"\\");
            ListInto(dir + n + L"\\", prefix + n + L"\\", out);
        } else {
            out.insert(prefix + n);
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

std::set<std::wstring> ListTree(const std::wstring& dir) {
    std::set<std::wstring> out;
    ListInto(dir.back() == L'\\' ? dir : dir + L"\\", L"", out);
    return out;
}

uint64_t Ticks(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

uint64_t UnixTicks(int64_t unixTime) {
    return static_cast<uint64_t>(unixTime + 11644473600LL) * 10000000ULL;
}

FileTimes GetTimes(const std::wstring& path) {
    FileTimes t;
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return t;
    FILETIME c, a, w;
    if (GetFileTime(h, &c, &a, &w))
        t = {Ticks(c), Ticks(a), Ticks(w)};
    CloseHandle(h);
    return t;
}

DWORD Attributes(const std::wstring& path) {
    return GetFileAttributesW(path.c_str());
}

UnpackLog::UnpackLog() {
    window =
        CreateWindowExW(0, L"STATIC", L"unpack log", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

UnpackLog::~UnpackLog() {
    DestroyWindow(window);
}

void UnpackLog::Drain() {
    MSG m;
    while (PeekMessageW(&m, window, 0, 0, PM_REMOVE)) {
        // Parameters that must be zero show up in the line when they are not.
        std::wstring w = std::to_wstring(m.wParam), l = std::to_wstring(m.lParam);
        std::wstring line;
        if (m.message == WM_UNPACK_PROGRESS)
            line = L"11111 " + w + L" " + l;
        else if (m.message == WM_UNPACK_FAILED)
            line = L"11110 " + w + (m.lParam ? L" " + l : L"");
        else if (m.message == WM_UNPACK_DONE)
            line = L"11112" + (m.wParam || m.lParam ? L" " + w + L" " + l : std::wstring());
        else
            continue;
        lines.push_back(line);
    }
}

void UnpackLog::Show(HWND owner, const wchar_t* text) {
    EXPECT_EQ(owner, window);
    Drain();  // what was posted before the box
    lines.push_back(std::wstring(L"box ") + text);
}

std::vector<std::wstring> UnpackLog::Run(const std::wstring& archive, const std::wstring& destination) {
    lines.clear();
    EXPECT_TRUE(extractPackage(archive.c_str(), destination.c_str(), window, this));
    Drain();
    return lines;
}

std::vector<std::wstring> ProgressLines(int n, int upTo) {
    std::vector<std::wstring> out;
    for (int i = 0; i <= upTo && i < n; ++i)
        out.push_back(L"11111 " + std::to_wstring(i) + L" " + std::to_wstring(n));
    return out;
}

}  // namespace radu::test
