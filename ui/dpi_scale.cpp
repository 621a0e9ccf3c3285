#include "ui/dpi_scale.h"

#include "common/device_context.h"

namespace radu::ui {
namespace {

// Looked up at run time: older systems have neither function, and the program must start there too.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 != nullptr
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
               : nullptr;
}

}  // namespace

RECT DpiScale::Rect(const RECT& logical) const {
    const int left = (*this)(logical.left);
    const int top = (*this)(logical.top);
    return {left, top, left + (*this)(logical.right - logical.left),
            top + (*this)(logical.bottom - logical.top)};
}

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    radu::WindowDc screen = radu::WindowDc::Client(nullptr);
    const int dpi = screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : DpiScale::kDesignDpi;
}

void TakeOverDialogScaling(HWND dialog) {
    using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    static const auto setBehavior =
        User32Function<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (setBehavior != nullptr)
        setBehavior(dialog, kDisableAll, kDisableAll);
}

}  // namespace radu::ui
