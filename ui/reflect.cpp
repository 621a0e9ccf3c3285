#include "ui/reflect.h"

namespace radu::ui {

HWND ReflectionTarget(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return reinterpret_cast<HWND>(lParam);  // null for menu and accelerator commands
        case WM_NOTIFY:
            return lParam != 0 ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
        case WM_PARENTNOTIFY: {
            const UINT event = LOWORD(wParam);
            if (event == WM_CREATE || event == WM_DESTROY)
                return reinterpret_cast<HWND>(lParam);
            return ::GetDlgItem(parent, HIWORD(wParam));
        }
        case WM_DRAWITEM:
            if (wParam == 0 || lParam == 0)
                return nullptr;  // 0: a menu item
            return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        case WM_MEASUREITEM:
            if (wParam == 0 || lParam == 0)
                return nullptr;
            return ::GetDlgItem(parent, reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID);
        case WM_COMPAREITEM:
            if (wParam == 0 || lParam == 0)
                return nullptr;
            return reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
        case WM_DELETEITEM:
            if (wParam == 0 || lParam == 0)
                return nullptr;
            return reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<HWND>(lParam);
        default:
            return nullptr;
    }
}

bool ReflectNotifications(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND control = ReflectionTarget(parent, message, wParam, lParam);
    if (control == nullptr || control == parent || !::IsWindow(control))
        return false;
    result = ::SendMessageW(control, kReflectedBase + message, wParam, lParam);
    return true;
}

}  // namespace radu::ui
