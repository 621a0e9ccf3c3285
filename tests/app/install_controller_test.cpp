// The installer window's controller in process: the real dialog from the program's resources with a worker
// start that fails or a worker run once the dialog is gone, and the download callback's pacing of
// progress messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/install_messages.h"
#include "app/install_worker.h"
#include "app/loop_registry.h"
#include "app/main_dlg.h"
#include "installer_driver.h"
#include "support/port80_recorder.h"
#include "support/test_paths.h"
#include "ui/gdiplus.h"

namespace radu {
namespace {

using test::kPatienceMs;
using test::TextOf;
using test::WaitFor;

TEST(DownloadCallback, ProgressPostDueAtMostEvery500MsAcrossTheTickWrap) {
    struct Case {
        DWORD now, last;
        bool due;
    };
    const Case cases[] = {
        {7, 0, true},                       // the first report always goes out
        {1500, 1000, false},                // exactly 500 ms later
        {1501, 1000, true},                 // 501
        {0xFFFFFFFFu, 0xFFFFFF06u, false},  // 249 ms, just before the tick count wraps
        {250, 0xFFFFFF06u, false},          // 500 ms across the wrap
        {251, 0xFFFFFF06u, true},           // 501 across the wrap
        {0xFFFFFFF0u, 100, true},           // long after
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressPostDue(c.now, c.last), c.due) << c.now << " after " << c.last;
}

TEST(DownloadCallback, PostsTheFirstPercentThenNothingWithin500Ms) {
    struct WindowCloser {
        void operator()(HWND h) const { ::DestroyWindow(h); }
    };
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser> sink(
        ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    ASSERT_NE(sink, nullptr);
    auto posted = [] {
        std::vector<std::pair<HWND, WPARAM>> out;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_DOWNLOAD_PROGRESS, WM_DOWNLOAD_PROGRESS, PM_REMOVE))
            out.emplace_back(msg.hwnd, msg.wParam);
        return out;
    };
    CDriverDownloadCallBack callback(sink.get());
    const DWORD before = ::GetTickCount();
    EXPECT_EQ(callback.OnProgress(1000, 42, 10, 0), 0);
    EXPECT_EQ(callback.OnProgress(1000, 43, 10, 0), 0);  // at once: not posted
    EXPECT_GE(callback.lastPostTick, before);
    EXPECT_LE(callback.lastPostTick, ::GetTickCount());
    EXPECT_EQ(posted(), (std::vector<std::pair<HWND, WPARAM>>{{sink.get(), 42}}));

    CDriverDownloadCallBack windowless(nullptr);
    EXPECT_EQ(windowless.OnProgress(1000, 50, 10, 0), 0);
    EXPECT_TRUE(posted().empty());  // not even as a message to the thread
}

// What the program's entry point sets up around its window: COM and GDI+ for this thread, and the module
// state with this thread as the main one.
class ProgramState {
  public:
    ProgramState() {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        Module().Init();
    }
    ~ProgramState() {
        Module().Term();
        ::CoUninitialize();
        Gdiplus::GdiplusShutdown(token);
    }

  private:
    ULONG_PTR token = 0;
};

HANDLE NoThread(LPTHREAD_START_ROUTINE, void*) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST(InstallController, AWorkerThatCannotStartEndsLikeAFailedDownload) {
    ProgramState program;
    test::RecordingBrowser browser;
    test::Port80Recorder stats("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    ASSERT_TRUE(stats.listening()) << "port 80: " << stats.bindError();

    CMessageLoop loop;
    Module().AddMessageLoop(&loop);
    std::wstring box;
    bool finishPage = false;
    int result = 0;
    {
        CMainDlg dialog;
        dialog.startWorker = &NoThread;
        ASSERT_NE(dialog.Create(nullptr), nullptr);
        ::ShowWindow(dialog.hwnd(), SW_SHOWNORMAL);
        HWND button = test::FindInstallButton(dialog.hwnd());
        ASSERT_NE(button, nullptr);
        ::SendMessageW(::GetDlgItem(dialog.hwnd(), 1108), BM_CLICK, 0, 0);  // the licence
        ::SendMessageW(button, BM_CLICK, 0, 0);

        // The user: answers the offer of the complete installer with Cancel, then presses "完成". The
        // loop is ended with 0 when either does not come.
        std::thread user([&, mainThread = ::GetCurrentThreadId()] {
            HWND shown = nullptr;
            WaitFor(
                [&] {
                    return (shown = test::FindOtherDialog(::GetCurrentProcessId(), dialog.hwnd())) != nullptr;
                },
                kPatienceMs);
            if (shown != nullptr) {
                box = TextOf(::GetDlgItem(shown, 0xFFFF)) + L"|" + TextOf(shown);
                ::PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
                finishPage = WaitFor([&] { return ::IsWindowVisible(button) && TextOf(button) == L"完成"; },
                                     kPatienceMs);
            }
            if (finishPage)
                ::PostMessageW(button, BM_CLICK, 0, 0);
            else
                ::PostThreadMessageW(mainThread, WM_QUIT, 0, 0);
        });
        result = loop.Run();
        user.join();
    }
    Module().RemoveMessageLoop();

    EXPECT_EQ(box, L"网络异常,安装失败.您可以直接下载完整的安装包进行安装，点击确定开始下载完整安装包!|提示");
    EXPECT_TRUE(finishPage);
    EXPECT_EQ(result, 1005);
    const std::vector<test::RecordedRequest> reports = stats.Requests();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].body.rfind("type=100&time=", 0), 0u) << reports[0].body;
    ::Sleep(500);  // time for a wrongly started browser to write its record
    EXPECT_FALSE(browser.Started());
}

// The worker is started, but does not run before the dialog object is gone: the install click and the
// close button both handled first. It then works with what it was handed at the click and touches
// nothing of the dialog: here the object's memory holds what freed memory may hold.
struct StartedWorker {
    LPTHREAD_START_ROUTINE body = nullptr;
    void* parameter = nullptr;
} started;

HANDLE HoldWorker(LPTHREAD_START_ROUTINE body, void* parameter) {
    started = {body, parameter};
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);  // the caller closes it as a thread's handle
}

TEST(InstallController, AWorkerThatRunsAfterTheDialogIsGoneNeedsNothingOfIt) {
    ProgramState program;
    test::TempDir temp;  // no package waiting there: the download fails, the package server being down
    const std::wstring savedTmp = test::Env(L"TMP");
    ::SetEnvironmentVariableW(L"TMP", temp.path().c_str());
    CMessageLoop loop;
    Module().AddMessageLoop(&loop);
    alignas(CMainDlg) unsigned char storage[sizeof(CMainDlg)];
    auto* dialog = new (storage) CMainDlg;
    dialog->startWorker = &HoldWorker;
    ASSERT_NE(dialog->Create(nullptr), nullptr);
    ::SendMessageW(::GetDlgItem(dialog->hwnd(), 1108), BM_CLICK, 0, 0);  // the licence
    ::SendMessageW(test::FindInstallButton(dialog->hwnd()), BM_CLICK, 0, 0);
    ASSERT_NE(started.body, nullptr);
    dialog->~CMainDlg();
    std::memset(storage, 0xDD, sizeof storage);

    DWORD result = 1;
    std::thread worker([&] { result = started.body(started.parameter); });
    worker.join();
    EXPECT_EQ(result, 0u);
    Module().RemoveMessageLoop();
    ::SetEnvironmentVariableW(L"TMP", savedTmp.empty() ? nullptr : savedTmp.c_str());
}

}  // namespace
}  // namespace radu
