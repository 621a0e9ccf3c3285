#include "ui/folder_field.h"

#include <string>

#include "ui/folder_text.h"

namespace radu::ui {

const MessageEntry<CFolderField> CFolderField::kMessageEntries[] = {
    OnMessage<CFolderField>(WM_CHAR, &CFolderField::OnChar),
    OnMessage<CFolderField>(WM_PASTE, &CFolderField::OnPaste),
    OnMessage<CFolderField>(WM_GETOBJECT, &CFolderField::OnGetObject),
};
const MessageMap<CFolderField> CFolderField::kMessageMap = MakeMessageMap(CFolderField::kMessageEntries);

LRESULT CFolderField::OnChar(WPARAM wParam, LPARAM lParam) {
    if (wParam == L'\r' || wParam == L'\n')
        return 0;
    return CallPrevious(WM_CHAR, wParam, lParam);
}

LRESULT CFolderField::OnPaste(WPARAM, LPARAM) {
    // The clipboard's text goes in without its line breaks, through the edit's own replacement (which
    // keeps to the field's length limit and its undo).
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !::OpenClipboard(hwnd()))
        return 0;
    std::wstring text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* locked = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = WithoutLineBreaks(locked);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    ::SendMessageW(hwnd(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
}

LRESULT CFolderField::OnGetObject(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (accessible.Answer(hwnd(), wParam, lParam, result))
        return result;
    return CallPrevious(WM_GETOBJECT, wParam, lParam);
}

void CFolderField::DescribeAccessible(AccessibleDescription& out) const {
    out.role = ROLE_SYSTEM_TEXT;
    if (accessibleLabel != nullptr)
        out.NameFromLabel(accessibleLabel);
    out.ValueFromText(hwnd());
}

}  // namespace radu::ui
