#include "ui/dialog_impl.h"

namespace radu::ui {

CDialogImplBase::~CDialogImplBase() {
    if (boundWindow == nullptr || !::IsWindow(boundWindow))
        return;
    // Derived classes destroy their window while they are whole; one still alive here is unbound first
    // so that its last messages get the default dialog processing only.
    HWND hwnd = boundWindow;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    boundWindow = nullptr;
    ::DestroyWindow(hwnd);
}

HWND CDialogImplBase::Create(HWND parent, int templateId, HINSTANCE module) {
    if (boundWindow != nullptr)
        return nullptr;
    if (module == nullptr)
        module = ::GetModuleHandleW(nullptr);
    // The object travels as the creation parameter only as far as WM_INITDIALOG, where it is bound.
    return ::CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), parent, &StartDialogProc,
                                reinterpret_cast<LPARAM>(static_cast<CDialogImplBase*>(this)));
}

bool CDialogImplBase::DestroyWindow() {
    return boundWindow != nullptr && ::DestroyWindow(boundWindow) != FALSE;
}

INT_PTR CALLBACK CDialogImplBase::StartDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;  // WM_SETFONT and the like, before the object is bound
    auto* self = reinterpret_cast<CDialogImplBase*>(lParam);
    if (self == nullptr)
        return FALSE;
    self->boundWindow = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    ::SetWindowLongPtrW(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&DialogProc));
    return DialogProc(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CDialogImplBase*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr || self->boundWindow != hwnd)
        return FALSE;

    LRESULT result = 0;
    const bool handled = self->ProcessWindowMessage(message, wParam, lParam, result);

    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->boundWindow = nullptr;
        self->OnFinalMessage(hwnd);
        return FALSE;
    }
    if (!handled)
        return FALSE;

    switch (message) {
        // These answer through the procedure's return value.
        case WM_INITDIALOG:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return static_cast<INT_PTR>(result);
        default:
            // Everything else answers through DWLP_MSGRESULT; TRUE says the message was processed.
            if (::IsWindow(hwnd))
                ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

}  // namespace radu::ui
