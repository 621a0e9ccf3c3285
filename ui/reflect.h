// Notification reflection: a message that a child control sends its parent about itself, and that the
// parent does not handle, is sent back to that control as the message number plus 0x2000. Controls that
// draw or behave on their own (skinned buttons, for one) answer their own notifications this way.
#pragma once

#include <windows.h>

namespace radu::ui {

constexpr UINT kReflectedBase = 0x2000;
constexpr UINT kReflectedNotify = kReflectedBase + WM_NOTIFY;    // 0x204E
constexpr UINT kReflectedCommand = kReflectedBase + WM_COMMAND;  // 0x2111

// The child control that `message` concerns, or null when it concerns none.
HWND ReflectionTarget(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

// Sends the message back to its control; the control's answer goes to `result`. False (nothing sent)
// when the message concerns no control.
bool ReflectNotifications(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace radu::ui
