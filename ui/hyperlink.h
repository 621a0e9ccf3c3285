// CHyperLink: turns a static text control into a link. It shows the hand cursor over its label, draws
// the label underlined in the link colour, has a tooltip, and on a click either opens its address or,
// with the command-button style, notifies the parent with WM_NOTIFY / NM_CLICK. A screen reader hears a
// link named by its label, whose default action is that click.
#pragma once

#include <string>

#include "common/unique_handle.h"
#include "ui/accessible.h"
#include "ui/window_impl.h"

namespace radu::ui {

// Extended styles. Without kLinkCommandButton a click opens the address and the label turns to the
// visited colour; with it the click only tells the parent: WM_NOTIFY with NM_CLICK when kLinkNotifyButton
// is set too, otherwise WM_COMMAND with BN_CLICKED.
constexpr DWORD kLinkCommandButton = 0x04;
constexpr DWORD kLinkNotifyButton = 0x08;

constexpr COLORREF kDefaultLinkColor = RGB(0, 0, 255);
constexpr COLORREF kDefaultVisitedColor = RGB(0x80, 0, 0x80);

// Parses the browser's colour setting "r,g,b" (three decimal numbers 0..255, spaces allowed around
// them). Anything else gives `fallback`.
COLORREF ParseAnchorColor(const wchar_t* text, COLORREF fallback);

class CHyperLink : public CWindowImpl<CHyperLink>, private AccessibleSource {
  public:
    static const MessageEntry<CHyperLink> kMessageEntries[];
    static const MessageMap<CHyperLink> kMessageMap;

    CHyperLink() = default;
    ~CHyperLink() override;

    // Takes over an existing static control: adds SS_NOTIFY, derives the underlined link font from the
    // control's current font, reads the link colours and adds the tooltip.
    bool SubclassWindow(HWND hwnd);

    void SetHyperLinkExtendedStyle(DWORD style) { extendedStyle = style; }
    DWORD GetHyperLinkExtendedStyle() const { return extendedStyle; }
    // The label is the control's text; setting it recomputes the clickable rectangle.
    void SetLabel(const wchar_t* label);
    void SetHyperLink(const wchar_t* address) { linkAddress = address; }
    void SetToolTipText(const wchar_t* text);

    COLORREF LinkColor() const { return linkColor; }
    COLORREF VisitedColor() const { return visitedColor; }
    HFONT LinkFont() const { return static_cast<HFONT>(linkFont.get()); }
    const RECT& LabelRect() const { return labelRect; }
    bool IsVisited() const { return visited; }

  private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnSetCursor(WPARAM, LPARAM);
    LRESULT OnMouseMove(WPARAM, LPARAM);
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    LRESULT OnLButtonUp(WPARAM, LPARAM);
    LRESULT OnChar(WPARAM, LPARAM);
    LRESULT OnGetDlgCode(WPARAM, LPARAM) { return DLGC_WANTCHARS; }
    LRESULT OnFocusChange(WPARAM, LPARAM);
    LRESULT OnSetFocus(WPARAM, LPARAM);
    LRESULT OnSetFont(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnGetObject(WPARAM, LPARAM);
    LRESULT OnAccessibleAction(WPARAM, LPARAM);

    void DescribeAccessible(AccessibleDescription& out) const override;
    bool DoAccessibleAction() override;

    void ReadColors();
    void CalcLabelRect();
    bool PointInLabel(LPARAM lParam) const;
    void Navigate();
    void RelayToToolTip(UINT message, WPARAM wParam, LPARAM lParam);

    DWORD extendedStyle = 0;
    std::wstring linkAddress;
    std::wstring toolTipText;
    HFONT normalFont = nullptr;  // the control's own font; not ours
    radu::UniqueGdiObject linkFont;
    HWND toolTip = nullptr;
    COLORREF linkColor = kDefaultLinkColor;
    COLORREF visitedColor = kDefaultVisitedColor;
    RECT labelRect = {};
    bool visited = false;
    bool pressed = false;
    bool keyboardFocus = false;
    AccessibleAnswer accessible{*this};
};

}  // namespace radu::ui
