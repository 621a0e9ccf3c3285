// The installer's own error boxes: a real message box owned by the window, with the system's caption and
// an OK button only, shown from the worker thread; the failure is posted only once it is dismissed.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "extract/extract_test_support.h"
#include "support/test_paths.h"

namespace radu {
namespace {

struct Found {
    HWND owner;
    HWND box;
};

BOOL CALLBACK FindOwnedBox(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (std::wstring(cls) == L"#32770" && GetWindow(w, GW_OWNER) == f->owner && IsWindowVisible(w)) {
        f->box = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectButtons(HWND w, LPARAM p) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (std::wstring(cls) == L"Button")
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

TEST(ExtractErrorBox, RealBoxWaitsForTheUserBeforeTheFailureIsPosted) {
    HWND window = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    test::TempDir dir;
    std::wstring archive = test::ArchivePath(L"not_a_zip.zip");
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        extractPackage(archive.c_str(), dir.path().c_str(), window);
        SetEvent(finished);
    });

    std::vector<UINT> posted;
    auto pump = [&] {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.hwnd == window && m.message >= WM_UNPACK_FAILED && m.message <= WM_UNPACK_DONE)
                posted.push_back(m.message);
            DispatchMessageW(&m);
        }
    };
    Found found = {window, nullptr};
    for (DWORD start = GetTickCount(); !found.box && GetTickCount() - start < 60000;) {
        pump();
        EnumWindows(FindOwnedBox, reinterpret_cast<LPARAM>(&found));
        if (!found.box)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    if (!found.box) {
        worker.detach();  // still waiting for a box nobody can see; the process ends with it
        FAIL() << "no message box owned by the window appeared";
    }

    wchar_t text[128] = {}, caption[64] = {};
    GetDlgItemTextW(found.box, 0xFFFF, text, 128);
    GetWindowTextW(found.box, caption, 64);
    EXPECT_STREQ(text, L"打开压缩包解压路径出错!");
    EXPECT_STREQ(caption, L"Error");  // the system's default caption
    std::vector<HWND> buttons;
    EnumChildWindows(found.box, CollectButtons, reinterpret_cast<LPARAM>(&buttons));
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(GetDlgCtrlID(buttons[0]), IDOK);
    pump();
    EXPECT_TRUE(posted.empty()) << "a message was posted while the box was still up";

    PostMessageW(found.box, WM_COMMAND, IDOK, 0);
    while (MsgWaitForMultipleObjects(1, &finished, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        pump();
    worker.join();
    CloseHandle(finished);
    pump();
    EXPECT_EQ(posted, (std::vector<UINT>{WM_UNPACK_FAILED, WM_UNPACK_DONE}));
    DestroyWindow(window);
}

}  // namespace
}  // namespace radu
