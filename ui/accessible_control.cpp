#include "ui/accessible_control.h"

namespace radu::ui {

const MessageEntry<CAccessibleControl> CAccessibleControl::kMessageEntries[] = {
    OnMessage<CAccessibleControl>(WM_GETOBJECT, &CAccessibleControl::OnGetObject),
};
const MessageMap<CAccessibleControl> CAccessibleControl::kMessageMap =
    MakeMessageMap(CAccessibleControl::kMessageEntries);

CAccessibleControl::~CAccessibleControl() = default;

bool CAccessibleControl::Describe(HWND control, long role, HWND label) {
    kind = role;
    labelWindow = label;
    return SubclassWindow(control);
}

LRESULT CAccessibleControl::OnGetObject(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (accessible.Answer(hwnd(), wParam, lParam, result))
        return result;
    return CallPrevious(WM_GETOBJECT, wParam, lParam);
}

bool CAccessibleControl::IsChecked() const {
    return ::SendMessageW(hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CAccessibleControl::DescribeAccessible(AccessibleDescription& out) const {
    out.role = kind;
    if (labelWindow != nullptr)
        out.NameFromLabel(labelWindow);
    else
        out.NameFromText(hwnd());
    switch (kind) {
        case ROLE_SYSTEM_CHECKBUTTON:
            if (IsChecked()) {
                out.addedState = STATE_SYSTEM_CHECKED;
                out.defaultAction = L"清除";
            } else {
                out.defaultAction = L"选中";
            }
            break;
        case ROLE_SYSTEM_LINK:
            out.addedState = STATE_SYSTEM_LINKED;
            out.defaultAction = L"跳转";
            break;
        default:
            out.addedState = STATE_SYSTEM_READONLY;
            break;
    }
}

bool CAccessibleControl::DoAccessibleAction() {
    // Posted: the screen reader's call returns before the window acts on it, as after a click.
    if (kind == ROLE_SYSTEM_CHECKBUTTON)
        return ::PostMessageW(hwnd(), BM_CLICK, 0, 0) != FALSE;
    if (kind == ROLE_SYSTEM_LINK) {
        // What a click on a static text with SS_NOTIFY sends its parent.
        const int id = ::GetDlgCtrlID(hwnd());
        return ::PostMessageW(::GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                              reinterpret_cast<LPARAM>(hwnd())) != FALSE;
    }
    return false;
}

}  // namespace radu::ui
