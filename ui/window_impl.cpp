#include "ui/window_impl.h"

#include <commctrl.h>

namespace radu::ui {

CWindowImplBase::~CWindowImplBase() {
    if (hwnd_ == nullptr || !::IsWindow(hwnd_))
        return;
    // The derived parts of this object are gone already: the window's last messages go to the class's
    // own procedure, never to this object.
    const bool created = !subclassed_;
    HWND hwnd = Detach();
    if (created)
        ::DestroyWindow(hwnd);
}

void CWindowImplBase::Bind(HWND hwnd, WNDPROC previous, bool subclassed) {
    hwnd_ = hwnd;
    previous_ = previous;
    subclassed_ = subclassed;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

bool CWindowImplBase::SubclassWindow(HWND hwnd) {
    if (hwnd_ != nullptr || hwnd == nullptr || !::IsWindow(hwnd))
        return false;
    WNDPROC previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    if (previous == &WindowProc)
        return false;  // bound to another object already
    Bind(hwnd, previous, true);
    return true;
}

HWND CWindowImplBase::UnsubclassWindow() {
    if (!subclassed_ || hwnd_ == nullptr)
        return nullptr;
    return Detach();
}

HWND CWindowImplBase::Detach() {
    HWND hwnd = hwnd_;
    // When another procedure has been put in front of ours since, ours cannot be taken out of the
    // chain; it then only stops reaching this object.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &WindowProc)
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    subclassed_ = false;
    return hwnd;
}

void CWindowImplBase::EnsureCommonControls() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
}

LRESULT CWindowImplBase::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(previous_, hwnd_, message, wParam, lParam);
}

HWND CWindowImplBase::CreateBound(const wchar_t* className, HWND parent, const RECT& rect, DWORD style,
                                  int id, const wchar_t* text) {
    if (hwnd_ != nullptr)
        return nullptr;
    return ::CreateWindowExW(0, className, text, style, rect.left, rect.top, rect.right - rect.left,
                             rect.bottom - rect.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                             static_cast<CWindowImplBase*>(this));
}

LRESULT CWindowImplBase::BindAtCreate(HWND hwnd, WNDPROC classProc, UINT message, WPARAM wParam,
                                      LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<CWindowImplBase*>(cs->lpCreateParams);
        if (self != nullptr && self->hwnd_ == nullptr) {
            self->Bind(hwnd, classProc, false);
            return WindowProc(hwnd, message, wParam, lParam);
        }
    }
    return ::CallWindowProcW(classProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CWindowImplBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->hwnd_ != hwnd)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    const WNDPROC previous = self->previous_;
    if (!self->ProcessWindowMessage(message, wParam, lParam, result))
        result = ::CallWindowProcW(previous, hwnd, message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        // The window is gone: leave the object unbound so that it can be destroyed or reused.
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self->subclassed_)
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        self->hwnd_ = nullptr;
        self->subclassed_ = false;
        self->OnFinalMessage(hwnd);
    }
    return result;
}

}  // namespace radu::ui
