// The program's resources as built: skin pictures with their sizes, icon images, the dialog template
// and the manifest. The resource script is linked into this test exactly as into the installer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_gdiplus.h"
#include "ui/skin_image.h"

namespace radu::ui {
namespace {

constexpr WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052

TEST(Resources, SkinPicturesHaveTheirSizesAtEveryScale) {
    struct Picture {
        int id;
        int width, height, frames;
    };
    const Picture pictures[] = {{201, 600, 270, 1}, {202, 600, 270, 1}, {203, 336, 52, 2},
                                {205, 22, 11, 2},   {206, 30, 15, 2},   {207, 40, 20, 2},
                                {208, 600, 270, 1}, {209, 600, 270, 1}, {211, 281, 22, 1},
                                {212, 278, 16, 1},  {215, 600, 270, 1}};
    for (const Picture& p : pictures) {
        EXPECT_NE(::FindResourceExW(nullptr, L"PNG", MAKEINTRESOURCEW(p.id), kChinese), nullptr) << p.id;
        GdiPtr<Gdiplus::Image> image = LoadSkinImage(MAKEINTRESOURCEW(p.id), L"PNG");
        ASSERT_NE(image, nullptr) << p.id;
        EXPECT_EQ(image->GetWidth(), static_cast<UINT>(p.width)) << p.id;
        EXPECT_EQ(image->GetHeight(), static_cast<UINT>(p.height)) << p.id;
        image = LoadSkinImage(MAKEINTRESOURCEW(p.id + kDoubleSizeOffset), L"PNG");
        ASSERT_NE(image, nullptr) << p.id;
        EXPECT_EQ(image->GetWidth(), static_cast<UINT>(2 * p.width)) << p.id;
        EXPECT_EQ(image->GetHeight(), static_cast<UINT>(2 * p.height)) << p.id;
        // For a window at any scale: each frame of the strip at the scaled frame size.
        for (UINT dpi : {72u, 96u, 120u, 144u, 168u, 192u, 240u}) {
            const DpiScale scale(dpi);
            image = LoadScaledSkin(p.id, scale, p.frames);
            ASSERT_NE(image, nullptr) << p.id << " at " << dpi;
            EXPECT_EQ(image->GetWidth(), static_cast<UINT>(p.frames * scale(p.width / p.frames))) << p.id;
            EXPECT_EQ(image->GetHeight(), static_cast<UINT>(scale(p.height))) << p.id;
        }
    }
    EXPECT_EQ(LoadSkinImage(MAKEINTRESOURCEW(210), L"PNG"), nullptr);
    EXPECT_EQ(LoadScaledSkin(210, DpiScale(144)), nullptr);
    EXPECT_EQ(LoadSkinImage(L"C:\\no such folder\\skin.png", L"PNG"), nullptr);
}

TEST(Resources, StripFramesFollowTheirLooks) {
    // Two frames each; the second frame of the install button is the lighter orange, of the browse
    // button the darker blue, and the first close frame is half transparent.
    auto pixel = [](int id, int x, int y) {
        GdiPtr<Gdiplus::Image> image = LoadSkinImage(MAKEINTRESOURCEW(id), L"PNG");
        Gdiplus::Color c;
        static_cast<Gdiplus::Bitmap*>(image.get())->GetPixel(x, y, &c);
        return c;
    };
    auto luminance = [](Gdiplus::Color c) { return c.GetR() * 3 + c.GetG() * 6 + c.GetB(); };
    EXPECT_LT(luminance(pixel(203, 84, 26)), luminance(pixel(203, 168 + 84, 26)));
    EXPECT_GT(pixel(203, 84, 26).GetR(), pixel(203, 84, 26).GetB() + 100);  // orange
    EXPECT_LT(pixel(205, 5, 5).GetA(), 200);
    EXPECT_EQ(pixel(205, 11 + 5, 5).GetA(), 255);
    EXPECT_EQ(pixel(207, 0, 0).GetA(), 255);  // the browse tiles are opaque
}

#pragma pack(push, 2)
struct IconDirEntry {
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, WindowIconHasFourSizesAt32BitsPerPixel) {
    HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(128), RT_GROUP_ICON);
    ASSERT_NE(info, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, info)));
    WORD count;
    std::memcpy(&count, dir + 4, 2);
    ASSERT_EQ(count, 4);
    const int sizes[4] = {64, 48, 32, 24};
    for (int i = 0; i < 4; ++i) {
        IconDirEntry e;
        std::memcpy(&e, dir + 6 + i * sizeof(IconDirEntry), sizeof(e));
        EXPECT_EQ(e.width, sizes[i]);
        EXPECT_EQ(e.height, sizes[i]);
        EXPECT_EQ(e.bitCount, 32);
    }
    HICON small = static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128), IMAGE_ICON, 24, 24, 0));
    EXPECT_NE(small, nullptr);
    ::DestroyIcon(small);
}

// Reads the extended dialog template.
class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* p) : cursor(p) {}
    WORD Word() {
        WORD v;
        std::memcpy(&v, cursor, 2);
        cursor += 2;
        return v;
    }
    DWORD Dword() {
        DWORD v;
        std::memcpy(&v, cursor, 4);
        cursor += 4;
        return v;
    }
    std::wstring Text() {  // a string, or an ordinal written as "#n"
        if (Peek() == 0xFFFF) {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        std::wstring s;
        while (WORD c = Word())
            s.push_back(static_cast<wchar_t>(c));
        return s;
    }
    void AlignDword(const BYTE* base) {
        while ((cursor - base) % 4 != 0)
            ++cursor;
    }
    void Skip(size_t n) { cursor += n; }
    const BYTE* Position() const { return cursor; }

  private:
    WORD Peek() const {
        WORD v;
        std::memcpy(&v, cursor, 2);
        return v;
    }
    const BYTE* cursor;
};

TEST(Resources, DialogTemplate129) {
    HRSRC info = ::FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(129), kChinese);
    ASSERT_NE(info, nullptr);
    const BYTE* base = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, info)));
    TemplateReader r(base);
    EXPECT_EQ(r.Word(), 1);       // dlgVer
    EXPECT_EQ(r.Word(), 0xFFFF);  // extended template
    r.Dword();                    // help id
    EXPECT_EQ(r.Dword(), 0u);     // extended style
    EXPECT_EQ(r.Dword(), 0x80880048u);
    const WORD items = r.Word();
    EXPECT_EQ(r.Word(), 0);  // x
    EXPECT_EQ(r.Word(), 0);  // y
    EXPECT_EQ(r.Word(), 400);
    EXPECT_EQ(r.Word(), 246);
    EXPECT_EQ(r.Text(), L"");  // menu
    EXPECT_EQ(r.Text(), L"");  // class
    EXPECT_EQ(r.Text(), L"");  // no caption
    EXPECT_EQ(r.Word(), 8);    // point size
    r.Word();                  // weight
    r.Skip(2);                 // italic, character set
    EXPECT_EQ(r.Text(), L"MS Shell Dlg");

    struct Item {
        DWORD id, style;
        short x, y, cx, cy;
        const wchar_t* text;
    };
    const Item expected[] = {
        {1003, 0x50020000, 66, 171, 49, 8, L"Static"},   {1004, 0x50020100, 337, 171, 46, 8, L"Static"},
        {1005, 0x50020000, 73, 67, 55, 14, L"Static"},   {1006, 0x50020100, 140, 97, 71, 10, L"Static"},
        {1007, 0x50020100, 140, 120, 71, 10, L"Static"}, {1008, 0x50020100, 140, 141, 71, 10, L"Static"},
        {1009, 0x50020000, 63, 194, 72, 13, L"Static"},  {1010, 0x50020000, 324, 194, 46, 8, L"222"},
    };
    ASSERT_EQ(items, 8);
    for (const Item& e : expected) {
        r.AlignDword(base);
        r.Dword();  // help id
        EXPECT_EQ(r.Dword(), 0u) << e.id;
        EXPECT_EQ(r.Dword(), e.style) << e.id;
        EXPECT_EQ(static_cast<short>(r.Word()), e.x) << e.id;
        EXPECT_EQ(static_cast<short>(r.Word()), e.y) << e.id;
        EXPECT_EQ(static_cast<short>(r.Word()), e.cx) << e.id;
        EXPECT_EQ(static_cast<short>(r.Word()), e.cy) << e.id;
        EXPECT_EQ(r.Dword(), e.id);
        EXPECT_EQ(r.Text(), L"#130") << e.id;  // the static class
        EXPECT_EQ(r.Text(), e.text) << e.id;
        r.Skip(r.Word());  // creation data
    }
}

TEST(Resources, ManifestAsksForAdministratorAndCommonControls6) {
    HRSRC info = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(info, nullptr);
    const char* text = static_cast<const char*>(::LockResource(::LoadResource(nullptr, info)));
    const std::string manifest(text, ::SizeofResource(nullptr, info));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
}

}  // namespace
}  // namespace radu::ui
