// CMyProgress: the composed bar, read back pixel by pixel at several positions.
#include <gtest/gtest.h>

#include "test_gdiplus.h"
#include "ui/my_progress.h"

namespace radu::ui {
namespace {

using test::Rgb;

constexpr DWORD kSkin = Rgb(255, 255, 255);
constexpr DWORD kTrack = Rgb(0, 0, 255);
constexpr DWORD kFill = Rgb(255, 128, 0);

struct BarFixture : ::testing::Test {
    test::PaintedWindow parent{320, 60, RGB(255, 255, 255)};
    CMyProgress bar;

    void SetUp() override {
        ASSERT_NE(bar.Create(parent.hwnd(), {10, 10, 291, 32}, WS_CHILD | WS_VISIBLE, 1120), nullptr);
        // The track's first column is transparent: the captured skin shows there.
        auto* track = new Gdiplus::Bitmap(281, 22, PixelFormat32bppARGB);
        {
            Gdiplus::Graphics g(track);
            g.Clear(Gdiplus::Color(255, 0, 0, 255));
            Gdiplus::SolidBrush clear(Gdiplus::Color(0, 0, 0, 0));
            g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
            g.FillRectangle(&clear, 0, 0, 1, 22);
        }
        bar.SetPictures(GdiPtr<Gdiplus::Image>(track),
                        test::SolidPicture(278, 16, Gdiplus::Color(255, 255, 128, 0)));
        bar.SetSkinParent(parent.hwnd());
        bar.SetMargins(3, 3);
    }

    // The last column of the fill on the middle row, or -1 when there is none.
    static int FillEnd(const test::Pixels& p) {
        int end = -1;
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, 11) == kFill)
                end = x;
        return end;
    }
};

TEST_F(BarFixture, FillGrowsFromTheLeftInsideTheMargins) {
    struct Case {
        int position;
        int fillWidth;
    };
    for (const Case& c :
         {Case{0, 0}, Case{1, 2}, Case{50, 136}, Case{100, 272}, Case{150, 272}, Case{-5, 272}}) {
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.FillWidth(), c.fillWidth) << c.position;
        const test::Pixels p = test::PrintClient(bar.hwnd());
        ASSERT_EQ(p.width, 281);
        ASSERT_EQ(p.height, 22);
        EXPECT_EQ(p.at(0, 11), kSkin) << c.position;
        if (c.fillWidth == 0) {
            EXPECT_EQ(FillEnd(p), -1);
            EXPECT_EQ(p.at(3, 11), kTrack);
            continue;
        }
        // Drawn from column 3, extra width + fill width wide, rows 3 to 18.
        const int last = 3 + 3 + c.fillWidth - 1;
        EXPECT_EQ(FillEnd(p), last) << c.position;
        EXPECT_EQ(p.at(3, 3), kFill);
        EXPECT_EQ(p.at(last, 18), kFill);
        EXPECT_EQ(p.at(2, 11), kTrack);
        EXPECT_EQ(p.at(last + 1, 11), kTrack);
        EXPECT_EQ(p.at(3, 2), kTrack);
        EXPECT_EQ(p.at(3, 19), kTrack);
    }
}

TEST_F(BarFixture, WithoutSkinParentNothingIsComposed) {
    CMyProgress lone;
    ASSERT_NE(lone.Create(parent.hwnd(), {10, 40, 100, 50}, WS_CHILD, 1121), nullptr);
    EXPECT_FALSE(lone.ComposeBar());
    EXPECT_TRUE(bar.ComposeBar());
}

TEST(ProgressArtwork, OrangeFillOverTheLightBlueTrackOnTheWhiteBand) {
    test::PaintedWindow parent(320, 60, RGB(255, 255, 255));
    CMyProgress bar;
    ASSERT_NE(bar.Create(parent.hwnd(), {10, 10, 291, 32}, WS_CHILD | WS_VISIBLE, 1120), nullptr);
    ASSERT_TRUE(bar.LoadPictures(211, 212));
    bar.SetSkinParent(parent.hwnd());
    bar.SetMargins(3, 3);
    bar.SetPosition(50);
    const test::Pixels p = test::PrintClient(bar.hwnd());
    auto orange = [](DWORD c) { return ((c >> 16) & 0xFF) > 200 && (c & 0xFF) < 120; };
    auto lightBlue = [](DWORD c) { return (c & 0xFF) > ((c >> 16) & 0xFF) + 10 && (c & 0xFF) > 200; };
    EXPECT_TRUE(orange(p.at(70, 11))) << std::hex << p.at(70, 11);
    EXPECT_TRUE(orange(p.at(141, 11))) << std::hex << p.at(141, 11);
    EXPECT_TRUE(lightBlue(p.at(143, 11))) << std::hex << p.at(143, 11);
    EXPECT_TRUE(lightBlue(p.at(250, 11))) << std::hex << p.at(250, 11);
    EXPECT_EQ(p.at(0, 0), kSkin);  // the track's rounded corner lets the white band through
}

}  // namespace
}  // namespace radu::ui
