// CHyperLink on a static text control: click notifications, cursor, font and colours.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <vector>

#include "common/unique_handle.h"
#include "test_gdiplus.h"
#include "ui/hyperlink.h"

namespace radu::ui {
namespace {

struct Notice {
    UINT message;
    UINT_PTR id;
    UINT code;
    HWND from;
};

struct LinkFixture : ::testing::Test {
    std::vector<Notice> notices;
    test::PaintedWindow parent{
        200, 60, RGB(255, 255, 255), [this](HWND, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
            if (m == WM_NOTIFY) {
                auto* h = reinterpret_cast<NMHDR*>(l);
                notices.push_back({m, h->idFrom, h->code, h->hwndFrom});
                r = 0;
                return true;
            }
            if (m == WM_COMMAND && l != 0) {
                notices.push_back({m, LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l)});
                r = 0;
                return true;
            }
            return false;
        }};
    HWND label = nullptr;

    void SetUp() override {
        label = ::CreateWindowExW(0, L"STATIC", L"Static", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 150, 20,
                                  parent.hwnd(), reinterpret_cast<HMENU>(1003), nullptr, nullptr);
        ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                       FALSE);
    }

    void Click(CHyperLink& link, int x, int y) {
        (void)link;
        ::SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        ::SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
};

TEST_F(LinkFixture, ClickOnTheLabelNotifiesTheParent) {
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(label));
    link.SetHyperLinkExtendedStyle(kLinkCommandButton | kLinkNotifyButton);
    link.SetLabel(L"许可协议");

    EXPECT_NE(::GetWindowLongPtrW(label, GWL_STYLE) & SS_NOTIFY, 0);
    LOGFONTW lf;
    ASSERT_EQ(::GetObjectW(link.LinkFont(), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    EXPECT_TRUE(lf.lfUnderline);
    const RECT label_rect = link.LabelRect();
    EXPECT_GT(label_rect.right, 20);
    EXPECT_LT(label_rect.right, 150);  // the label, not the whole control

    Click(link, 3, 5);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].message, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(notices[0].id, 1003u);
    EXPECT_EQ(notices[0].code, static_cast<UINT>(NM_CLICK));
    EXPECT_EQ(notices[0].from, label);
    EXPECT_FALSE(link.IsVisited());

    Click(link, label_rect.right + 5, 5);  // beside the label
    EXPECT_EQ(notices.size(), 1u);

    link.SetHyperLinkExtendedStyle(kLinkCommandButton);
    Click(link, 3, 5);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[1].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(notices[1].code, static_cast<UINT>(BN_CLICKED));
}

TEST_F(LinkFixture, KeysActOnlyWhileTheLinkShows) {
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(label));
    link.SetHyperLinkExtendedStyle(kLinkCommandButton | kLinkNotifyButton);
    link.SetLabel(L"许可协议");
    ::ShowWindow(parent.hwnd(), SW_SHOWNOACTIVATE);
    ::SendMessageW(label, WM_CHAR, VK_SPACE, 0);
    ::SendMessageW(label, WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(notices.size(), 2u);
    // A page hid the link while it kept the focus: Space and Enter no longer open anything.
    ::ShowWindow(label, SW_HIDE);
    ::SendMessageW(label, WM_CHAR, VK_SPACE, 0);
    ::SendMessageW(label, WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(notices.size(), 2u);
}

TEST_F(LinkFixture, HandCursorOverTheLabel) {
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(label));
    link.SetLabel(L"许可协议");
    ::ShowWindow(parent.hwnd(), SW_SHOWNOACTIVATE);
    POINT inside = {2, 5};
    ::ClientToScreen(label, &inside);
    ASSERT_TRUE(::SetCursorPos(inside.x, inside.y));
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(::SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
}

// Pixels of the painted label close to `color`.
int CountNear(const test::Pixels& p, DWORD color) {
    int n = 0;
    for (DWORD v : p.rgb) {
        int d = 0;
        for (int shift : {0, 8, 16})
            d += std::abs(static_cast<int>((v >> shift) & 0xFF) - static_cast<int>((color >> shift) & 0xFF));
        if (d < 40)
            ++n;
    }
    return n;
}

TEST_F(LinkFixture, ColoursComeFromTheBrowserSettingsOrDefaultToBlue) {
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Settings", 0,
                                nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    radu::UniqueRegKey key(raw);
    const wchar_t red[] = L"255,0,0";
    ::RegSetValueExW(key.get(), L"Anchor Color", 0, REG_SZ, reinterpret_cast<const BYTE*>(red), sizeof(red));
    {
        CHyperLink link;
        ASSERT_TRUE(link.SubclassWindow(label));
        link.SetLabel(L"许可协议");
        EXPECT_EQ(link.LinkColor(), RGB(255, 0, 0));
        EXPECT_EQ(link.VisitedColor(), kDefaultVisitedColor);
        EXPECT_GT(CountNear(test::PrintClient(label), test::Rgb(255, 0, 0)), 10);
    }
    ::RegDeleteValueW(key.get(), L"Anchor Color");
    CHyperLink link;
    ASSERT_TRUE(link.SubclassWindow(label));
    link.SetLabel(L"许可协议");
    EXPECT_EQ(link.LinkColor(), kDefaultLinkColor);
    const test::Pixels p = test::PrintClient(label);
    EXPECT_GT(CountNear(p, test::Rgb(0, 0, 255)), 10);
    EXPECT_EQ(CountNear(p, test::Rgb(255, 0, 0)), 0);
}

}  // namespace
}  // namespace radu::ui
