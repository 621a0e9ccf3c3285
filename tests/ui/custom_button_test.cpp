// CCustomButton: faces composed from the strip over the captured skin, chosen by the button's state
// through the reflected custom-draw notification, with the text centred 5 px below the middle.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "test_gdiplus.h"
#include "ui/custom_button.h"
#include "ui/reflect.h"
#include "ui/skin_image.h"

namespace radu::ui {
namespace {

using test::Rgb;

constexpr DWORD kMagenta = Rgb(255, 0, 255);
constexpr DWORD kCyan = Rgb(0, 255, 255);
const DWORD kFrameColors[4] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0)};

// Four frames of 40 x 20 in red, green, blue and yellow; the first five columns of each frame are
// transparent, so the skin behind the button shows there.
GdiPtr<Gdiplus::Image> FourFrameStrip() {
    auto* strip = new Gdiplus::Bitmap(160, 20, PixelFormat32bppARGB);
    Gdiplus::Graphics g(strip);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    for (int i = 0; i < 4; ++i) {
        const DWORD c = kFrameColors[i];
        Gdiplus::SolidBrush brush(Gdiplus::Color(255, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
        g.FillRectangle(&brush, i * 40 + 5, 0, 35, 20);
    }
    return GdiPtr<Gdiplus::Image>(strip);
}

struct ButtonFixture : ::testing::Test {
    test::PaintedWindow parent{200, 100, RGB(255, 0, 255)};
    CCustomButton button;

    void SetUp() override {
        ASSERT_NE(button.Create(parent.hwnd(), {10, 10, 50, 40}, WS_CHILD | WS_VISIBLE, 1005), nullptr);
        button.SetSkinParent(parent.hwnd());
        button.SetStrip(FourFrameStrip());
        button.SetFrameCount(4);
        button.SetFrameIndexes(0, 1, 2, 3);  // normal, pressed, hover, disabled
    }

    // What the button draws for `itemState`, through the notification its parent reflects to it.
    DWORD DrawnAt(UINT itemState, int x, int y) {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 40, 30);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        NMCUSTOMDRAW draw = {};
        draw.hdr = {button.hwnd(), 1005, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.dwDrawStage = CDDS_PREERASE;
        draw.hdc = dc;
        draw.rc = {0, 0, 40, 30};
        draw.uItemState = itemState;
        EXPECT_EQ(::SendMessageW(parent.hwnd(), WM_NOTIFY, 1005, reinterpret_cast<LPARAM>(&draw)),
                  CDRF_SKIPDEFAULT);
        const COLORREF c = ::GetPixel(dc, x, y);
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        return Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
    }
};

TEST_F(ButtonFixture, FacesCutTheirFrameOverTheCapturedSkin) {
    const CCustomButton::Face faces[4] = {CCustomButton::kNormal, CCustomButton::kPressed,
                                          CCustomButton::kHover, CCustomButton::kDisabled};
    for (int i = 0; i < 4; ++i) {
        Gdiplus::Bitmap* face = button.face(faces[i]);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->GetWidth(), 40u);
        EXPECT_EQ(face->GetHeight(), 30u);
        EXPECT_EQ(test::BitmapPixel(*face, 20, 10), kFrameColors[i]) << i;
        EXPECT_EQ(test::BitmapPixel(*face, 2, 10), kMagenta) << i;   // transparent strip pixels
        EXPECT_EQ(test::BitmapPixel(*face, 20, 25), kMagenta) << i;  // below the 20-row frame
    }
}

TEST_F(ButtonFixture, TheStateChoosesTheFace) {
    EXPECT_EQ(DrawnAt(0, 20, 10), kFrameColors[0]);
    EXPECT_EQ(DrawnAt(CDIS_SELECTED, 20, 10), kFrameColors[1]);
    EXPECT_EQ(DrawnAt(CDIS_HOT, 20, 10), kFrameColors[2]);
    EXPECT_EQ(DrawnAt(CDIS_DISABLED, 20, 10), kFrameColors[3]);
    EXPECT_EQ(DrawnAt(CDIS_SELECTED | CDIS_HOT, 20, 10), kFrameColors[1]);  // pressed wins
    EXPECT_EQ(DrawnAt(CDIS_HOT | CDIS_DISABLED, 20, 10), kFrameColors[2]);  // then hot
}

TEST_F(ButtonFixture, TheSystemButtonPaintsThroughTheFaces) {
    // A real paint of the version 6 push button: it asks its parent, the parent reflects, the button
    // answers with its face and the system draws nothing of its own.
    ::ShowWindow(parent.hwnd(), SW_SHOWNOACTIVATE);
    test::Pixels normal = test::PrintClient(button.hwnd());
    EXPECT_EQ(normal.at(20, 10), kFrameColors[0]);
    EXPECT_EQ(normal.at(2, 28), kMagenta);
    ::EnableWindow(button.hwnd(), FALSE);
    EXPECT_EQ(test::PrintClient(button.hwnd()).at(20, 10), kFrameColors[3]);
    ::EnableWindow(button.hwnd(), TRUE);
    ::SendMessageW(button.hwnd(), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(test::PrintClient(button.hwnd()).at(20, 10), kFrameColors[1]);
}

TEST_F(ButtonFixture, NegativeFrameIndexLeavesTheFaceTransparent) {
    button.SetFrameIndexes(0, -1, 2, 3);
    Gdiplus::Bitmap* pressed = button.face(CCustomButton::kPressed);
    ASSERT_NE(pressed, nullptr);
    Gdiplus::Color c;
    pressed->GetPixel(20, 10, &c);
    EXPECT_EQ(c.GetA(), 0);
    pressed->GetPixel(2, 2, &c);
    EXPECT_EQ(c.GetA(), 0);
}

TEST_F(ButtonFixture, TheSkinIsCapturedOnceUntilTheSizeChanges) {
    parent.SetColor(RGB(0, 255, 255));
    button.RebuildStates();
    EXPECT_EQ(test::BitmapPixel(*button.face(CCustomButton::kNormal), 2, 10), kMagenta);  // kept
    ::SetWindowPos(button.hwnd(), nullptr, 0, 0, 44, 30, SWP_NOMOVE | SWP_NOZORDER);
    button.RebuildStates();
    EXPECT_EQ(button.face(CCustomButton::kNormal)->GetWidth(), 44u);
    EXPECT_EQ(test::BitmapPixel(*button.face(CCustomButton::kNormal), 2, 10), kCyan);  // taken again
}

TEST_F(ButtonFixture, CheckModeKeepsThePressedFaceWhileChecked) {
    button.SetCheckMode(true);
    ::SendMessageW(button.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsChecked());
    EXPECT_EQ(DrawnAt(0, 20, 10), kFrameColors[1]);
    EXPECT_EQ(DrawnAt(CDIS_DISABLED, 20, 10), kFrameColors[1]);  // the last frame drawn was pressed
    ::SendMessageW(button.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(button.IsChecked());
    EXPECT_EQ(DrawnAt(0, 20, 10), kFrameColors[0]);
    EXPECT_EQ(DrawnAt(CDIS_DISABLED, 20, 10), kFrameColors[0]);
}

// Rows of `face` holding pixels of exactly `color`: first and last.
bool TextRows(Gdiplus::Bitmap& face, DWORD color, int& top, int& bottom) {
    top = -1;
    bottom = -1;
    for (int y = 0; y < static_cast<int>(face.GetHeight()); ++y)
        for (int x = 0; x < static_cast<int>(face.GetWidth()); ++x)
            if (test::BitmapPixel(face, x, y) == color) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
    return top >= 0;
}

TEST(CustomButtonText, CentredFivePixelsBelowTheFrameMiddleAndRebuiltAtOnce) {
    test::PaintedWindow parent(300, 120, RGB(128, 128, 128));
    CCustomButton button;
    ASSERT_NE(button.Create(parent.hwnd(), {10, 10, 130, 90}, WS_CHILD | WS_VISIBLE, 1005), nullptr);
    button.SetSkinParent(parent.hwnd());
    // One opaque black frame, 120 x 60: the text is centred in 120 x 70.
    button.SetStrip(test::SolidPicture(120, 60, Gdiplus::Color(255, 0, 0, 0)));
    button.SetFrameCount(1);
    button.SetFrameIndexes(0, 0, 0, 0);
    button.SetTextColors(RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255));
    LOGFONTW lf = {};
    lf.lfHeight = -27;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(lf.lfFaceName, L"新宋体");
    HFONT font = ::CreateFontIndirectW(&lf);
    ::SendMessageW(button.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    Gdiplus::Bitmap* before = button.face(CCustomButton::kNormal);
    int top, bottom;
    ASSERT_FALSE(TextRows(*before, Rgb(255, 255, 255), top, bottom));  // no text yet
    button.SetButtonText(L"一一一");  // one horizontal stroke per glyph: its height is the centre
    Gdiplus::Bitmap* after = button.face(CCustomButton::kNormal);
    EXPECT_NE(after, before);
    ASSERT_TRUE(TextRows(*after, Rgb(255, 255, 255), top, bottom));
    const double centre = (top + bottom) / 2.0;
    EXPECT_NEAR(centre, 35.0, 3.0) << top << ".." << bottom;  // frame middle 30, plus 5
    ::DestroyWindow(button.hwnd());
    ::DeleteObject(font);
}

}  // namespace
}  // namespace radu::ui

namespace radu::ui {
namespace {

TEST(CustomButtonArtwork, TheInstallFrameIsCopiedWithoutScaling) {
    test::PaintedWindow parent(400, 100, RGB(0, 0, 255));
    CCustomButton button;
    ASSERT_NE(button.Create(parent.hwnd(), {10, 10, 178, 62}, WS_CHILD | WS_VISIBLE, 1005), nullptr);
    button.SetSkinParent(parent.hwnd());
    ASSERT_TRUE(button.LoadStrip(203));
    button.SetFrameCount(2);
    button.SetFrameIndexes(0, 1, 1, 1);
    GdiPtr<Gdiplus::Image> strip = LoadSkinImage(MAKEINTRESOURCEW(203), L"PNG");
    auto* source = static_cast<Gdiplus::Bitmap*>(strip.get());
    Gdiplus::Bitmap* face = button.face(CCustomButton::kNormal);
    ASSERT_NE(face, nullptr);
    // Opaque strip pixels come through unchanged, transparent ones show the blue skin behind.
    for (POINT pt : {POINT{84, 0}, POINT{84, 26}, POINT{84, 50}, POINT{2, 26}, POINT{1, 50}, POINT{166, 50},
                     POINT{0, 0}, POINT{167, 51}}) {
        Gdiplus::Color c;
        source->GetPixel(pt.x, pt.y, &c);
        const DWORD got = test::BitmapPixel(*face, pt.x, pt.y);
        if (c.GetA() == 255) {
            EXPECT_EQ(got, test::Rgb(c.GetR(), c.GetG(), c.GetB())) << pt.x << "," << pt.y;
        } else if (c.GetA() == 0) {
            EXPECT_EQ(got, test::Rgb(0, 0, 255)) << pt.x << "," << pt.y;
        }
    }
}

}  // namespace
}  // namespace radu::ui
