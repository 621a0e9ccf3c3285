// The installer window at 96, 120, 144 and 192 DPI, and after a move to a monitor of another DPI: its
// size, and pictures and controls where the scale puts them, read back from the screen. Under Wine the
// display's DPI is the registry value LogPixels, read by each program as it starts.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "installer_driver.h"
#include "support/test_paths.h"

namespace radu::test {
namespace {

constexpr int kLink = 1003, kStatus = 1009, kClose = 1106, kLicence = 1108, kProgress = 1120;
constexpr UINT kDownloadProgress = 10010;
constexpr UINT kSlideshowTimer = 2001;
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

// The display's DPI for the programs started while it lives; 96 again afterwards.
class DisplayDpi {
  public:
    explicit DisplayDpi(DWORD dpi) { Set(dpi); }
    ~DisplayDpi() { Set(96); }
    DisplayDpi(const DisplayDpi&) = delete;
    DisplayDpi& operator=(const DisplayDpi&) = delete;

  private:
    static void Set(DWORD dpi) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                                    &dpi, sizeof(dpi)),
                  ERROR_SUCCESS);
    }
};

struct DpiCase {
    UINT dpi;
    UINT startedAt;  // the DPI the window starts at; a different one is changed to `dpi` (WM_DPICHANGED)
    int width, height;
};

RECT PlaceInParent(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool IsDiscBlue(DWORD c) {
    const int r = (c >> 16) & 0xFF, b = c & 0xFF;
    return b > r + 60;
}

TEST(InstallerDpi, WindowPicturesAndControlsScaleWithTheDisplay) {
    const DpiCase cases[] = {
        {96, 96, 600, 400},    {120, 120, 750, 500}, {144, 144, 900, 600},
        {192, 192, 1200, 800}, {144, 96, 900, 600},
    };
    const std::wstring shots = Env(L"RADU_SCREENSHOT_DIR");
    for (const DpiCase& c : cases) {
        SCOPED_TRACE("at " + std::to_string(c.dpi) + " DPI, started at " + std::to_string(c.startedAt));
        const auto S = [&c](int logical) { return ::MulDiv(logical, static_cast<int>(c.dpi), 96); };
        const auto SRect = [&S](int left, int top, int right, int bottom) {
            return RECT{S(left), S(top), S(left) + S(right - left), S(top) + S(bottom - top)};
        };
        const std::wstring suffix =
            std::to_wstring(c.dpi) + (c.dpi != c.startedAt ? L"-moved" : L"") + L".png";
        DisplayDpi display(c.startedAt);
        Installer in;
        ASSERT_NE(in.Dialog(), nullptr);
        if (c.dpi != c.startedAt) {
            // As the system does it: the size at the new DPI is asked first, then suggested.
            SIZE size = {};
            void* remoteSize = in.RemoteData(&size, sizeof(size));
            EXPECT_TRUE(
                ::SendMessageW(in.Dialog(), kGetDpiScaledSize, c.dpi, reinterpret_cast<LPARAM>(remoteSize)));
            ASSERT_TRUE(in.ReadRemote(remoteSize, &size, sizeof(size)));
            EXPECT_EQ(size.cx, c.width + 2);  // the one-pixel border on either side
            EXPECT_EQ(size.cy, c.height + 2);
            RECT window;
            ::GetWindowRect(in.Dialog(), &window);
            const RECT suggested = {window.left + 10, window.top + 20, window.left + 10 + size.cx,
                                    window.top + 20 + size.cy};
            ::SendMessageW(in.Dialog(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                           reinterpret_cast<LPARAM>(in.RemoteData(&suggested, sizeof(suggested))));
            RECT moved;
            ::GetWindowRect(in.Dialog(), &moved);
            EXPECT_EQ(moved.left, suggested.left);
            EXPECT_EQ(moved.top, suggested.top);
        } else {
            // Centred on the work area at its new size.
            RECT work, window;
            ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            ::GetWindowRect(in.Dialog(), &window);
            EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 2);
            EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 2);
        }
        RECT client;
        ::GetClientRect(in.Dialog(), &client);
        EXPECT_EQ(client.right, c.width);
        EXPECT_EQ(client.bottom, c.height);
        if (client.right != c.width || client.bottom != c.height) {
            in.Click(in.Item(kClose));  // the places below would lie outside the window
            EXPECT_EQ(in.WaitForExit(), 1106u);
            continue;
        }
        const struct {
            HWND control;
            RECT place;
        } places[] = {
            {in.InstallButton(), SRect(220, 307, 388, 359)}, {in.Item(kClose), SRect(579, 10, 590, 21)},
            {in.Item(kLicence), SRect(10, 270, 100, 300)},   {in.Item(kLink), SRect(99, 278, 173, 291)},
            {in.Item(kStatus), SRect(95, 315, 198, 336)},    {in.Item(kProgress), SRect(198, 312, 479, 334)},
        };
        for (const auto& place : places) {
            const RECT now = PlaceInParent(place.control);
            EXPECT_TRUE(::EqualRect(&now, &place.place))
                << "control " << ::GetDlgCtrlID(place.control) << " at " << now.left << "," << now.top << ","
                << now.right << "," << now.bottom;
        }

        // Start page: the picture area ends where the white band begins; the install button's face fills
        // its place; the close button's disc is where its place is.
        in.WaitForStillWindow();
        ScreenPixels p = in.CaptureClient();
        EXPECT_FALSE(IsWhite(p.at(S(300), S(270) - 1)));
        EXPECT_TRUE(IsWhite(p.at(S(300), S(270))));
        const int buttonMiddle = S(307) + S(52) / 2;
        EXPECT_TRUE(IsWhite(p.at(S(220) - 2, buttonMiddle)));
        EXPECT_TRUE(IsOrange(p.at(S(220) + 3, buttonMiddle))) << std::hex << p.at(S(220) + 3, buttonMiddle);
        EXPECT_TRUE(IsOrange(p.at(S(220) + S(168) - 4, buttonMiddle)));
        EXPECT_TRUE(IsWhite(p.at(S(220) + S(168) + 1, buttonMiddle)));
        EXPECT_TRUE(IsDiscBlue(p.at(S(579) + S(2), S(10) + S(11) / 2)));
        EXPECT_FALSE(IsDiscBlue(p.at(S(579) - 3, S(10) + S(11) / 2)));
        if (!shots.empty()) {
            EXPECT_TRUE(in.SaveScreenshot(shots + L"\\start-" + suffix));
        }

        // Installing page at 50 %, the first banner wiped in whole (the slideshow's ticks sent at once). The
        // real timer's ticks on top of them only hold the banner, for 50 ticks of 80 ms, before the second
        // banner's wipe begins: the look below comes well within that.
        in.Click(in.Item(kLicence));
        in.Click(in.InstallButton());
        in.PostAndSettle(in.Dialog(), kDownloadProgress, 50);
        for (int tick = 0; tick < 60; ++tick)
            ::PostMessageW(in.Dialog(), WM_TIMER, kSlideshowTimer, 0);
        in.Settle();
        const int barLeft = S(198), margin = S(3), fill = (S(281) - 3 * margin) / 2;
        const int fillEnd = barLeft + 2 * margin + fill - 1, barMiddle = S(312) + S(22) / 2;
        const POINT tile = {S(84), S(70)};  // the first banner's top-left app tile
        p = in.CaptureClient([&](const ScreenPixels& s) {
            return IsOrange(s.at(fillEnd, barMiddle)) && IsLightBlue(s.at(fillEnd + 1, barMiddle)) &&
                   IsOrange(s.at(tile.x, tile.y));
        });
        EXPECT_TRUE(IsOrange(p.at(fillEnd, barMiddle))) << std::hex << p.at(fillEnd, barMiddle);
        EXPECT_TRUE(IsLightBlue(p.at(fillEnd + 1, barMiddle))) << std::hex << p.at(fillEnd + 1, barMiddle);
        EXPECT_TRUE(IsOrange(p.at(tile.x, tile.y))) << std::hex << p.at(tile.x, tile.y);
        if (!shots.empty()) {
            EXPECT_TRUE(in.SaveScreenshot(shots + L"\\installing-" + suffix));
        }

        in.Click(in.Item(kClose));
        EXPECT_EQ(in.WaitForExit(), 1106u);
    }
}

}  // namespace
}  // namespace radu::test
