#include "ui/window_impl.h"

#include <commctrl.h>

namespace radu::ui {
namespace {
// With SubclassProc, names this layer's subclass in a window's chain.
constexpr UINT_PTR kSubclassId = 1;
}  // namespace

CWindowImplBase::~CWindowImplBase() {
    if (boundWindow == nullptr || !::IsWindow(boundWindow))
        return;
    // The derived parts of this object are gone already: the window's last messages go to the class's
    // own procedure, never to this object.
    const bool created = previousProc != nullptr;
    HWND hwnd = Detach();
    if (created)
        ::DestroyWindow(hwnd);
}

bool CWindowImplBase::SubclassWindow(HWND hwnd) {
    if (boundWindow != nullptr || hwnd == nullptr || !::IsWindow(hwnd))
        return false;
    // Bound to another object already: subclassed by it, or created by the layer.
    DWORD_PTR other = 0;
    if ((::GetWindowSubclass(hwnd, &SubclassProc, kSubclassId, &other) && other != 0) ||
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &WindowProc)
        return false;
    if (!::SetWindowSubclass(hwnd, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    boundWindow = hwnd;
    chainProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    return true;
}

HWND CWindowImplBase::UnsubclassWindow() {
    if (boundWindow == nullptr || previousProc != nullptr)
        return nullptr;
    return Detach();
}

HWND CWindowImplBase::Detach(bool windowGoing) {
    HWND hwnd = boundWindow;
    if (previousProc == nullptr) {
        // The chain lets a subclass go wherever it stands in it. But when a procedure has been put in
        // front of the whole chain the old way since (as outside tools do), removing the chain's last
        // subclass can put the window's original procedure back over that one; the subclass then stays
        // as a pass-through, with no object, until the window goes.
        if (windowGoing || reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == chainProc)
            ::RemoveWindowSubclass(hwnd, &SubclassProc, kSubclassId);
        else
            ::SetWindowSubclass(hwnd, &SubclassProc, kSubclassId, 0);
    } else {
        // When another procedure has been put in front of a created window's own since, ours cannot be
        // taken out of the chain; it then only stops reaching this object.
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &WindowProc)
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    boundWindow = nullptr;
    previousProc = nullptr;
    return hwnd;
}

void CWindowImplBase::EnsureCommonControls() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
}

LRESULT CWindowImplBase::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    // DefSubclassProc passes the message being processed on to the next procedure in the chain.
    if (previousProc == nullptr)
        return ::DefSubclassProc(boundWindow, message, wParam, lParam);
    return ::CallWindowProcW(previousProc, boundWindow, message, wParam, lParam);
}

HWND CWindowImplBase::CreateBound(const wchar_t* className, HWND parent, const RECT& rect, DWORD style,
                                  int id, const wchar_t* text) {
    if (boundWindow != nullptr)
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
        if (self != nullptr && self->boundWindow == nullptr) {
            // The window is of the layer's own class, so its user data is the layer's to use.
            self->boundWindow = hwnd;
            self->previousProc = classProc;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
            return self->Dispatch(hwnd, message, wParam, lParam);
        }
    }
    return ::CallWindowProcW(classProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CWindowImplBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->boundWindow != hwnd)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Dispatch(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR, DWORD_PTR self) {
    auto* object = reinterpret_cast<CWindowImplBase*>(self);
    if (object == nullptr || object->boundWindow != hwnd) {
        if (message == WM_NCDESTROY)
            ::RemoveWindowSubclass(hwnd, &SubclassProc, kSubclassId);
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return object->Dispatch(hwnd, message, wParam, lParam);
}

LRESULT CWindowImplBase::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    const WNDPROC previous = previousProc;
    if (!ProcessWindowMessage(message, wParam, lParam, result))
        result = previous != nullptr ? ::CallWindowProcW(previous, hwnd, message, wParam, lParam)
                                     : ::DefSubclassProc(hwnd, message, wParam, lParam);

    if (message == WM_NCDESTROY && boundWindow == hwnd) {
        // The window is gone: leave the object unbound so that it can be destroyed or reused. A subclass
        // has to remove itself from the chain here.
        Detach(true);
        OnFinalMessage(hwnd);
    }
    return result;
}

}  // namespace radu::ui
