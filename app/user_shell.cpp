// The road through the user's desktop shell: the shell's list of its windows (a COM server in the shell's
// process), the desktop's browser in it, the browser's active view, the view's background object and the
// shell's automation object behind it, whose ShellExecute runs in the shell's process with its token.
//
// Each step is a call into another process. COM gives such a call no time limit: a shell that is busy or
// hung keeps the caller waiting for as long as it stays so, and an apartment-threaded caller runs other
// window messages in the meantime. So the road runs on a thread of its own, in the multithreaded
// apartment (its calls wait on nobody else), and the caller waits for that thread for a bounded time.
// When the time is up the thread is left where it is: it ends when its call returns or with the process.
#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/user_shell.h"
#include "common/unique_handle.h"

namespace radu {
namespace {

// The whole road, from asking for the shell's window list to its answer to ShellExecute. On this kind of
// machine it takes a tenth to a fifth of a second; five seconds without an answer is also what Windows takes
// for a window that has stopped answering to be called hung.
constexpr DWORD kShellAnswerLimitMs = 5000;

// What the road's thread and its caller share. The caller may stop waiting while the thread still runs,
// so each side holds a reference and the last one to let go frees it.
struct ShellRequest {
    enum Stage { kWaiting, kHandedOver, kGivenUp };
    std::wstring file;
    int show = SW_SHOWNORMAL;
    // kWaiting until one side moves it on: the thread to kHandedOver just before it hands the file to the
    // shell, or the caller to kGivenUp when its time is up (the thread then hands nothing over).
    std::atomic<int> stage{kWaiting};
    HRESULT result = E_FAIL;  // read by the caller only after the thread has ended
};

// One VARIANT, cleared when it goes.
class Variant {
  public:
    Variant() { ::VariantInit(&value); }
    explicit Variant(long number) : Variant() {
        value.vt = VT_I4;
        value.lVal = number;
    }
    explicit Variant(const wchar_t* text) : Variant() {
        value.bstrVal = ::SysAllocString(text);
        if (value.bstrVal != nullptr)
            value.vt = VT_BSTR;
    }
    ~Variant() { ::VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT value;
};

// Walks from the shell's window list to its automation object and hands it the file. Every object met
// lives in the shell's process; nothing they answer is used beyond the next call but the desktop window's
// handle, and that only to name the shell's process.
HRESULT ExecuteThroughDesktop(ShellRequest& request) {
    // Only a running shell answers: the class has no server of its own to start, so nothing is started
    // here (and nothing elevated) when there is no shell.
    UniqueComPtr<IShellWindows> windows;
    HRESULT hr =
        ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(windows.put()));
    if (FAILED(hr))
        return hr;
    Variant desktopFolder(static_cast<long>(CSIDL_DESKTOP)), noRoot;
    long desktopWindow = 0;
    UniqueComPtr<IDispatch> desktopBrowser;
    hr = windows->FindWindowSW(&desktopFolder.value, &noRoot.value, SWC_DESKTOP, &desktopWindow,
                               SWFO_NEEDDISPATCH, desktopBrowser.put());
    if (hr != S_OK || !desktopBrowser)
        return FAILED(hr) ? hr : E_FAIL;  // S_FALSE: the shell shows no desktop
    UniqueComPtr<IServiceProvider> services;
    if (FAILED(hr = desktopBrowser->QueryInterface(IID_PPV_ARGS(services.put()))))
        return hr;
    UniqueComPtr<IShellBrowser> browser;
    if (FAILED(hr = services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(browser.put()))))
        return hr;
    UniqueComPtr<IShellView> view;
    if (FAILED(hr = browser->QueryActiveShellView(view.put())))
        return hr;
    if (!view)
        return E_FAIL;
    UniqueComPtr<IDispatch> background;
    if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(background.put()))))
        return hr;
    UniqueComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = background->QueryInterface(IID_PPV_ARGS(folderView.put()))))
        return hr;
    UniqueComPtr<IDispatch> application;
    if (FAILED(hr = folderView->get_Application(application.put())))
        return hr;
    if (!application)
        return E_FAIL;
    UniqueComPtr<IShellDispatch2> shell;
    if (FAILED(hr = application->QueryInterface(IID_PPV_ARGS(shell.put()))))
        return hr;

    Variant file(request.file.c_str()), verb(L"open"), show(static_cast<long>(request.show)), none;
    if (file.value.vt != VT_BSTR || verb.value.vt != VT_BSTR)
        return E_OUTOFMEMORY;
    // This program holds the foreground (the user has just clicked in it): the shell may pass it on to
    // what it starts, which then comes to the front as a program started from the desktop does.
    DWORD shellProcess = 0;
    ::GetWindowThreadProcessId(reinterpret_cast<HWND>(LongToHandle(desktopWindow)), &shellProcess);
    if (shellProcess != 0)
        ::AllowSetForegroundWindow(shellProcess);

    int waiting = ShellRequest::kWaiting;
    if (!request.stage.compare_exchange_strong(waiting, ShellRequest::kHandedOver))
        return E_ABORT;  // the caller has stopped waiting and started it itself
    // S_FALSE: the shell could not start it.
    return shell->ShellExecute(file.value.bstrVal, none.value, none.value, verb.value, show.value);
}

DWORD WINAPI ShellRoad(void* parameter) {
    const std::unique_ptr<std::shared_ptr<ShellRequest>> held(
        static_cast<std::shared_ptr<ShellRequest>*>(parameter));
    ShellRequest& request = **held;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 0;
    request.result = ExecuteThroughDesktop(request);
    ::CoUninitialize();
    return 0;
}

// Waits until `thread` has ended or `milliseconds` have passed; true when it has ended. Messages sent to
// this thread meanwhile are handled (a program that sends to every top-level window, as a shell starting
// something may, must not wait for us), posted ones stay queued for the caller's loop.
bool WaitHandlingSentMessages(HANDLE thread, DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD waited = ::GetTickCount() - start;  // unsigned: right across the tick count's wrap
        if (waited >= milliseconds)
            break;
        const DWORD woken =
            ::MsgWaitForMultipleObjectsEx(1, &thread, milliseconds - waited, QS_SENDMESSAGE, 0);
        if (woken == WAIT_OBJECT_0)
            return true;
        if (woken != WAIT_OBJECT_0 + 1)
            break;  // the time is up, or the wait failed
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // runs the sent ones
    }
    return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

enum class ShellAnswer {
    kStarted,     // the shell started the file
    kHandedOver,  // the shell took the file and has not answered in time: it may yet start it
    kNotTaken,    // the shell did not take it (none runs, it refused, or it did not get that far in time)
};

ShellAnswer ThroughUserShell(const wchar_t* file, int show) {
    const auto request = std::make_shared<ShellRequest>();
    request->file = file;
    request->show = show;
    auto* forThread = new std::shared_ptr<ShellRequest>(request);
    const UniqueKernelHandle thread(::CreateThread(nullptr, 0, &ShellRoad, forThread, 0, nullptr));
    if (!thread) {
        delete forThread;
        return ShellAnswer::kNotTaken;
    }
    if (!WaitHandlingSentMessages(thread.get(), kShellAnswerLimitMs)) {
        // Given up only if the thread has not handed the file over meanwhile: once the shell has it, the
        // shell alone may start it, however late it answers.
        int waiting = ShellRequest::kWaiting;
        if (request->stage.compare_exchange_strong(waiting, ShellRequest::kGivenUp))
            return ShellAnswer::kNotTaken;
        // The thread may have ended between the last look and now, with the shell's answer.
        if (::WaitForSingleObject(thread.get(), 0) != WAIT_OBJECT_0)
            return ShellAnswer::kHandedOver;
    }
    if (request->result == S_OK)
        return ShellAnswer::kStarted;
    return request->stage == ShellRequest::kHandedOver ? ShellAnswer::kHandedOver : ShellAnswer::kNotTaken;
}

}  // namespace

OpenedBy OpenAsUser(const wchar_t* file, int show) {
    switch (ThroughUserShell(file, show)) {
        case ShellAnswer::kStarted:
            return OpenedBy::kUserShell;
        case ShellAnswer::kHandedOver:
            // Started from here too, it would run twice, the second time with this program's rights.
            return OpenedBy::kUserShellLate;
        case ShellAnswer::kNotTaken:
            break;
    }
    const INT_PTR code =
        reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", file, nullptr, nullptr, show));
    return code > 32 ? OpenedBy::kThisProgram : OpenedBy::kNobody;
}

}  // namespace radu
