// Window implementations: a C++ object bound to one window. The object is bound once, when the window
// is created (WM_NCCREATE) or subclassed, and every later message reaches its ProcessWindowMessage; what
// that leaves unhandled goes to the window's previous procedure (the system class it was built on, or
// the next subclass in the window's chain). Subclassing goes through the common controls' subclass
// chain, with the object as the subclass's reference data: it can leave the chain in any order with
// other subclasses, and the window's GWLP_USERDATA stays its owner's.
#pragma once

#include <windows.h>

#include "ui/message_map.h"

namespace radu::ui {

class CWindowImplBase {
  public:
    CWindowImplBase() = default;
    CWindowImplBase(const CWindowImplBase&) = delete;
    CWindowImplBase& operator=(const CWindowImplBase&) = delete;

    // True when the message is answered in `result`; false sends it on to the previous procedure.
    virtual bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // A window that outlives its object is destroyed (or unsubclassed) here.
    virtual ~CWindowImplBase();
    // Runs after WM_NCDESTROY, when the object is no longer bound.
    virtual void OnFinalMessage(HWND) {}

    HWND hwnd() const { return boundWindow; }

    // Binds this object to an existing window as a subclass in front of its current procedures.
    bool SubclassWindow(HWND hwnd);
    // Takes this object out of the window's subclass chain. Returns the window, or null when not subclassed.
    HWND UnsubclassWindow();

  protected:
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

    // Creates a child window of `className` with this object as the creation parameter; the class's
    // start procedure binds it at WM_NCCREATE.
    HWND CreateBound(const wchar_t* className, HWND parent, const RECT& rect, DWORD style, int id,
                     const wchar_t* text = L"");

    // Binding done by a class's start procedure at WM_NCCREATE.
    static LRESULT BindAtCreate(HWND hwnd, WNDPROC classProc, UINT message, WPARAM wParam, LPARAM lParam);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Loads and registers the common controls (version 6 under the program's manifest), so that the
    // system classes a superclass starts from are the current ones.
    static void EnsureCommonControls();

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    // Runs the message through this object, then through the previous procedure unless it was answered;
    // unbinds the object at WM_NCDESTROY.
    LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Takes this object's procedure out of the window and unbinds it from this object.
    HWND Detach(bool windowGoing = false);

    HWND boundWindow = nullptr;
    WNDPROC previousProc = nullptr;  // a created window's class procedure; null when subclassed
    WNDPROC chainProc = nullptr;     // subclassed: the window's procedure just after the subclass was set
};

// T names its system base class (kBaseClass), the name of its own class (kClassName) and its message
// map (kMessageMap). Register() makes the superclass once per process: the system class's attributes
// under the new name, with a start procedure in front of the system procedure.
template <typename T>
class CWindowImpl : public CWindowImplBase {
  public:
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return DispatchMessageMap(static_cast<T*>(this), T::kMessageMap, message, wParam, lParam, result) ==
               MapResult::kHandled;
    }

  protected:
    static bool RegisterSuperclass() {
        static const ATOM atom = [] {
            EnsureCommonControls();
            WNDCLASSEXW wc = {};
            wc.cbSize = sizeof(wc);
            if (!::GetClassInfoExW(nullptr, T::kBaseClass, &wc))
                return ATOM{0};
            BaseProc() = wc.lpfnWndProc;
            wc.lpfnWndProc = &StartWindowProc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = T::kClassName;
            wc.style &= ~CS_GLOBALCLASS;
            return ::RegisterClassExW(&wc);
        }();
        return atom != 0;
    }

    HWND CreateSuperclassed(HWND parent, const RECT& rect, DWORD style, int id, const wchar_t* text = L"") {
        if (!RegisterSuperclass())
            return nullptr;
        return CreateBound(T::kClassName, parent, rect, style, id, text);
    }

    // A skinned child control: style 0 stands for a visible child that clips its siblings and children.
    HWND CreateSkinnedChild(HWND parent, const RECT& rect, DWORD style, int id) {
        if (style == 0)
            style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        return CreateSuperclassed(parent, rect, style, id);
    }

    // For destructors of controls whose pictures must outlive every message: the window goes first.
    void DestroyIfAlive() {
        if (hwnd() != nullptr && ::IsWindow(hwnd()))
            ::DestroyWindow(hwnd());
    }

  private:
    static WNDPROC& BaseProc() {
        static WNDPROC proc = nullptr;
        return proc;
    }
    static LRESULT CALLBACK StartWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        return BindAtCreate(hwnd, BaseProc(), message, wParam, lParam);
    }
};

}  // namespace radu::ui
