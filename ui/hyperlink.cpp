#include "ui/hyperlink.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "common/device_context.h"

namespace radu::ui {

COLORREF ParseAnchorColor(const wchar_t* text, COLORREF fallback) {
    if (text == nullptr)
        return fallback;
    int parts[3];
    const wchar_t* p = text;
    for (int i = 0; i < 3; ++i) {
        while (*p == L' ')
            ++p;
        if (*p < L'0' || *p > L'9')
            return fallback;
        int value = 0;
        while (*p >= L'0' && *p <= L'9') {
            value = value * 10 + (*p - L'0');
            if (value > 255)
                return fallback;
            ++p;
        }
        parts[i] = value;
        while (*p == L' ')
            ++p;
        if (i < 2) {
            if (*p != L',')
                return fallback;
            ++p;
        }
    }
    if (*p != L'\0')
        return fallback;
    return RGB(parts[0], parts[1], parts[2]);
}

namespace {
// Posted to the link itself when a screen reader presses it: the click then follows once the screen
// reader's call has returned. A message of the link's own: the static class uses none of WM_USER's.
constexpr UINT kAccessibleAction = WM_USER + 0x100;
}  // namespace

const MessageEntry<CHyperLink> CHyperLink::kMessageEntries[] = {
    OnMessage<CHyperLink>(WM_PAINT, &CHyperLink::OnPaint),
    OnMessage<CHyperLink>(WM_PRINTCLIENT, &CHyperLink::OnPaint),
    OnMessage<CHyperLink>(WM_SETCURSOR, &CHyperLink::OnSetCursor),
    OnMessageThenDefault<CHyperLink>(WM_MOUSEMOVE, &CHyperLink::OnMouseMove),
    OnMessage<CHyperLink>(WM_LBUTTONDOWN, &CHyperLink::OnLButtonDown),
    OnMessage<CHyperLink>(WM_LBUTTONUP, &CHyperLink::OnLButtonUp),
    OnMessage<CHyperLink>(WM_CHAR, &CHyperLink::OnChar),
    OnMessage<CHyperLink>(WM_GETDLGCODE, &CHyperLink::OnGetDlgCode),
    OnMessageThenDefault<CHyperLink>(WM_SETFOCUS, &CHyperLink::OnSetFocus),
    OnMessageThenDefault<CHyperLink>(WM_KILLFOCUS, &CHyperLink::OnFocusChange),
    OnMessageThenDefault<CHyperLink>(WM_UPDATEUISTATE, &CHyperLink::OnFocusChange),
    OnMessageThenDefault<CHyperLink>(WM_SETFONT, &CHyperLink::OnSetFont),
    OnMessageThenDefault<CHyperLink>(WM_DESTROY, &CHyperLink::OnDestroy),
    OnMessage<CHyperLink>(WM_GETOBJECT, &CHyperLink::OnGetObject),
    OnMessage<CHyperLink>(kAccessibleAction, &CHyperLink::OnAccessibleAction),
};
const MessageMap<CHyperLink> CHyperLink::kMessageMap = MakeMessageMap(CHyperLink::kMessageEntries);

CHyperLink::~CHyperLink() {
    if (toolTip != nullptr && ::IsWindow(toolTip))
        ::DestroyWindow(toolTip);
}

bool CHyperLink::SubclassWindow(HWND hwnd) {
    if (!CWindowImplBase::SubclassWindow(hwnd))
        return false;
    ::SetWindowLongPtrW(hwnd, GWL_STYLE, ::GetWindowLongPtrW(hwnd, GWL_STYLE) | SS_NOTIFY);
    OnSetFont(::SendMessageW(hwnd, WM_GETFONT, 0, 0), 0);
    ReadColors();

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    toolTip = ::CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    CalcLabelRect();
    if (toolTip != nullptr) {
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = 0;  // mouse messages are relayed by this control
        tool.hwnd = hwnd;
        tool.uId = 0;
        tool.rect = labelRect;
        tool.lpszText = const_cast<wchar_t*>(toolTipText.c_str());
        ::SendMessageW(toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SetToolTipText(toolTipText.c_str());
    }
    return true;
}

void CHyperLink::SetLabel(const wchar_t* label) {
    if (hwnd() == nullptr)
        return;
    ::SetWindowTextW(hwnd(), label);
    CalcLabelRect();
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void CHyperLink::SetToolTipText(const wchar_t* text) {
    toolTipText = text != nullptr ? text : L"";
    if (toolTip == nullptr)
        return;
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hwnd();
    tool.uId = 0;
    tool.lpszText = const_cast<wchar_t*>(toolTipText.c_str());
    ::SendMessageW(toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(toolTip, TTM_ACTIVATE, toolTipText.empty() ? FALSE : TRUE, 0);
}

void CHyperLink::ReadColors() {
    linkColor = kDefaultLinkColor;
    visitedColor = kDefaultVisitedColor;
    radu::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Settings", 0, KEY_READ,
                        key.put()) != ERROR_SUCCESS)
        return;
    auto read = [&](const wchar_t* name, COLORREF fallback) {
        wchar_t value[64] = L"";
        DWORD type = 0;
        DWORD size = sizeof(value) - sizeof(wchar_t);
        if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return fallback;
        value[size / sizeof(wchar_t)] = L'\0';
        return ParseAnchorColor(value, fallback);
    };
    linkColor = read(L"Anchor Color", kDefaultLinkColor);
    visitedColor = read(L"Anchor Color Visited", kDefaultVisitedColor);
}

void CHyperLink::CalcLabelRect() {
    if (hwnd() == nullptr)
        return;
    RECT client;
    ::GetClientRect(hwnd(), &client);
    wchar_t text[512] = L"";
    ::GetWindowTextW(hwnd(), text, 512);
    RECT calc = client;
    {
        radu::WindowDc dc = radu::WindowDc::Client(hwnd());
        radu::SelectedObject font(dc.get(), linkFont ? linkFont.get() : normalFont);
        ::DrawTextW(dc.get(), text, -1, &calc, DT_LEFT | DT_WORDBREAK | DT_CALCRECT);
    }
    labelRect = {client.left, client.top, std::min(calc.right, client.right),
                 std::min(calc.bottom, client.bottom)};

    if (toolTip != nullptr) {
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = hwnd();
        tool.uId = 0;
        tool.rect = labelRect;
        ::SendMessageW(toolTip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

bool CHyperLink::PointInLabel(LPARAM lParam) const {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return ::PtInRect(&labelRect, pt) != FALSE;
}

void CHyperLink::Navigate() {
    HWND parent = ::GetParent(hwnd());
    const int id = ::GetDlgCtrlID(hwnd());
    if (extendedStyle & kLinkCommandButton) {
        if (extendedStyle & kLinkNotifyButton) {
            NMHDR header = {hwnd(), static_cast<UINT_PTR>(id), static_cast<UINT>(NM_CLICK)};
            ::SendMessageW(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
        } else {
            ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd()));
        }
        return;
    }
    if (linkAddress.empty())
        return;
    ::ShellExecuteW(nullptr, L"open", linkAddress.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    visited = true;
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT CHyperLink::OnPaint(WPARAM wParam, LPARAM) {
    radu::PaintDc paint(hwnd(), reinterpret_cast<HDC>(wParam));
    const HDC dc = paint.get();

    RECT client;
    ::GetClientRect(hwnd(), &client);
    // The parent chooses the background as it does for any static; a hollow brush leaves its skin.
    HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(hwnd()), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(hwnd())));
    if (brush != nullptr && brush != static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)))
        ::FillRect(dc, &client, brush);

    wchar_t text[512] = L"";
    ::GetWindowTextW(hwnd(), text, 512);
    radu::SelectedObject font(dc, linkFont ? linkFont.get() : normalFont);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, visited ? visitedColor : linkColor);
    RECT rc = client;
    ::DrawTextW(dc, text, -1, &rc, DT_LEFT | DT_WORDBREAK);
    // The focus rectangle is a keyboard cue: shown only when the keyboard brought the focus here.
    const bool focusHidden = (::SendMessageW(hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    if (::GetFocus() == hwnd() && keyboardFocus && !focusHidden)
        ::DrawFocusRect(dc, &labelRect);
    return 0;
}

LRESULT CHyperLink::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(hwnd(), &pt);
    if (::PtInRect(&labelRect, pt)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return CallPrevious(WM_SETCURSOR, wParam, lParam);
}

void CHyperLink::RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam) {
    if (toolTip == nullptr)
        return;
    MSG msg = {};
    msg.hwnd = hwnd();
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    ::SendMessageW(toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

LRESULT CHyperLink::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    RelayToToolTip(WM_MOUSEMOVE, wParam, lParam);
    return 0;
}

LRESULT CHyperLink::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    RelayToToolTip(WM_LBUTTONDOWN, wParam, lParam);
    if (!PointInLabel(lParam))
        return 0;
    ::SetFocus(hwnd());
    ::SetCapture(hwnd());
    pressed = true;
    return 0;
}

LRESULT CHyperLink::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
    RelayToToolTip(WM_LBUTTONUP, wParam, lParam);
    if (!pressed)
        return 0;
    pressed = false;
    if (::GetCapture() == hwnd())
        ::ReleaseCapture();
    if (PointInLabel(lParam))
        Navigate();
    return 0;
}

LRESULT CHyperLink::OnChar(WPARAM wParam, LPARAM) {
    // Hiding a link does not take the keyboard focus from it; a hidden link must not act on keys.
    if ((wParam == VK_RETURN || wParam == VK_SPACE) && ::IsWindowVisible(hwnd()))
        Navigate();
    return 0;
}

LRESULT CHyperLink::OnFocusChange(WPARAM, LPARAM) {
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    return 0;
}

LRESULT CHyperLink::OnSetFocus(WPARAM wParam, LPARAM lParam) {
    keyboardFocus = false;
    for (int key : {VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN})
        if (::GetKeyState(key) < 0)
            keyboardFocus = true;
    return OnFocusChange(wParam, lParam);
}

LRESULT CHyperLink::OnSetFont(WPARAM wParam, LPARAM) {
    normalFont = reinterpret_cast<HFONT>(wParam);
    HGDIOBJ base =
        normalFont != nullptr ? static_cast<HGDIOBJ>(normalFont) : ::GetStockObject(DEFAULT_GUI_FONT);
    LOGFONTW lf;
    if (::GetObjectW(base, sizeof(lf), &lf) == sizeof(lf)) {
        lf.lfUnderline = TRUE;
        linkFont.reset(::CreateFontIndirectW(&lf));
    }
    CalcLabelRect();
    return 0;
}

LRESULT CHyperLink::OnDestroy(WPARAM, LPARAM) {
    if (toolTip != nullptr && ::IsWindow(toolTip))
        ::DestroyWindow(toolTip);
    toolTip = nullptr;
    return 0;
}

LRESULT CHyperLink::OnGetObject(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (accessible.Answer(hwnd(), wParam, lParam, result))
        return result;
    return CallPrevious(WM_GETOBJECT, wParam, lParam);
}

void CHyperLink::DescribeAccessible(AccessibleDescription& out) const {
    out.role = ROLE_SYSTEM_LINK;
    out.NameFromText(hwnd());
    out.addedState = STATE_SYSTEM_LINKED | (visited ? STATE_SYSTEM_TRAVERSED : 0);
    out.defaultAction = L"跳转";
}

bool CHyperLink::DoAccessibleAction() {
    return ::PostMessageW(hwnd(), kAccessibleAction, 0, 0) != FALSE;
}

LRESULT CHyperLink::OnAccessibleAction(WPARAM, LPARAM) {
    if (::IsWindowVisible(hwnd()))
        Navigate();
    return 0;
}

}  // namespace radu::ui
