// The parts of the installer window that are plain arithmetic and text rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/plain_text.h"
#include "ui/folder_text.h"
#include "ui/hyperlink.h"
#include "ui/my_progress.h"
#include "ui/slideshow.h"

namespace radu::ui {
namespace {

struct Tick {
    bool repaint;
    int picture;
    int width;
};

std::vector<Tick> RunSlideshow(int ticks) {
    Slideshow show;
    std::vector<Tick> out;
    for (int i = 0; i < ticks; ++i) {
        Tick t = {false, -1, -1};
        t.repaint = show.Tick(t.picture, t.width);
        out.push_back(t);
    }
    return out;
}

TEST(Slideshow, WipesInTenColumnsPerTickThenHoldsThenAlternates) {
    const std::vector<Tick> ticks = RunSlideshow(240);
    // Ticks 1..60: banner 208 (picture 2) revealed 10 columns further each time.
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(ticks[i].repaint) << i;
        EXPECT_EQ(ticks[i].picture, 2);
        EXPECT_EQ(ticks[i].width, (i + 1) * 10);
    }
    // Ticks 61..109 hold the whole banner without repainting.
    for (int i = 60; i < 109; ++i)
        EXPECT_FALSE(ticks[i].repaint) << i;
    // Tick 110 switches to banner 209 with nothing revealed yet; the wipe runs from tick 111.
    EXPECT_TRUE(ticks[109].repaint);
    EXPECT_EQ(ticks[109].picture, 3);
    EXPECT_EQ(ticks[109].width, 0);
    EXPECT_EQ(ticks[110].picture, 3);
    EXPECT_EQ(ticks[110].width, 10);
    EXPECT_EQ(ticks[169].width, 600);
    // 110 ticks per banner (8.8 s at 80 ms): then 208 again.
    EXPECT_EQ(ticks[219].picture, 2);
    EXPECT_EQ(ticks[219].width, 0);
    EXPECT_EQ(ticks[220].width, 10);
}

TEST(ProgressFillWidth, FollowsThePercentWithinTheInnerWidth) {
    // The dialog's bar: 281 pixels wide, margin 3, extra width 3, inner width 272.
    auto fill = [](unsigned position) { return ProgressFillWidth(position, 0, 281, 3, 3); };
    EXPECT_EQ(fill(0), 0);
    EXPECT_EQ(fill(1), 2);
    EXPECT_EQ(fill(12), 32);
    EXPECT_EQ(fill(45), 122);
    EXPECT_EQ(fill(50), 136);
    EXPECT_EQ(fill(75), 204);
    EXPECT_EQ(fill(99), 269);
    EXPECT_EQ(fill(100), 272);
    EXPECT_EQ(fill(150), 272);
    EXPECT_EQ(fill(static_cast<unsigned>(-5)), 272);  // negative positions read as large ones
    // The construction defaults (margin 1, extra width 2).
    EXPECT_EQ(ProgressFillWidth(100, 0, 100, 1, 2), 96);
}

TEST(FolderText, LongestFolderStillJoinsWithEveryProductPath) {
    const std::wstring uninstaller = L"VaruPhoneAx\\VaruUnInstall.exe";
    const std::wstring folder230(230, L'a');
    const std::wstring folder231(231, L'a');
    EXPECT_TRUE(FolderTextFits(folder230));
    EXPECT_FALSE(FolderTextFits(folder231));

    wchar_t buffer[kPathUnits + 8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    ASSERT_TRUE(JoinProductPath(folder230, uninstaller, buffer, kPathUnits));
    EXPECT_EQ(std::wstring(buffer), folder230 + uninstaller);
    EXPECT_EQ(std::wstring(buffer).size(), 259u);

    // One unit more would need 261 units with the terminator: refused, and nothing written past the
    // buffer.
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_FALSE(JoinProductPath(folder231, uninstaller, buffer, kPathUnits));
    EXPECT_EQ(buffer[0], L'\0');
    for (size_t i = kPathUnits; i < kPathUnits + 8; ++i)
        EXPECT_EQ(buffer[i], L'#');
    EXPECT_FALSE(JoinProductPath(L"C:\\", L"x", buffer, 0));
}

TEST(FolderText, SeparatorsAndWhiteSpace) {
    EXPECT_EQ(WithTrailingSeparator(L"C:\\Tools"), L"C:\\Tools\\");
    EXPECT_EQ(WithTrailingSeparator(L"C:\\"), L"C:\\");
    EXPECT_EQ(WithTrailingSeparator(L""), L"");
    EXPECT_EQ(WithoutTrailingSeparator(L"C:\\Program Files\\"), L"C:\\Program Files");
    EXPECT_EQ(WithoutTrailingSeparator(L"C:\\a\\\\"), L"C:\\a\\");  // one character only
    EXPECT_EQ(WithoutTrailingSeparator(L""), L"");
    EXPECT_EQ(TrimWhitespace(L" \t C:\\My Apps\\ \r\n"), L"C:\\My Apps\\");
    EXPECT_EQ(TrimWhitespace(L"   "), L"");
}

TEST(FolderText, TheInstallFolderIsAnAbsoluteFolderEndingInOneSeparator) {
    const struct {
        const wchar_t* typed;
        const wchar_t* folder;  // null: refused
    } rows[] = {
        {L"D:\\Apps", L"D:\\Apps\\"},
        {L"  C:\\Program Files\\ ", L"C:\\Program Files\\"},
        {L"C:\\a\\\\b\\\\", L"C:\\a\\b\\"},
        {L"c:/My Apps/Radu", L"c:\\My Apps\\Radu\\"},
        {L"C:\\", L"C:\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        {L"\\\\server\\share\\Apps\\", L"\\\\server\\share\\Apps\\"},
        {L"", nullptr},
        {L"   ", nullptr},
        {L"Apps\\", nullptr},
        {L"\\Apps", nullptr},
        {L"D:Apps", nullptr},
        {L"D:", nullptr},
        {L"\\\\server", nullptr},
        {L"\\\\server\\\\share", nullptr},
        {L"\\\\?\\C:\\Apps", nullptr},
        {L"\\\\.\\C:\\Apps", nullptr},
        {L"C:\\Ap|ps", nullptr},
        {L"C:\\Apps\\a:b", nullptr},
        {L"C:\\Apps\\..\\Windows", nullptr},
        {L"C:\\Apps.\\", nullptr},
        {L"C:\\Apps \\x", nullptr},
        {L"C:\\Ap\tps", nullptr},
    };
    for (const auto& row : rows) {
        std::wstring folder = L"left over";
        EXPECT_EQ(InstallFolderFromText(row.typed, folder), row.folder != nullptr) << row.typed;
        EXPECT_EQ(folder, row.folder ? row.folder : L"") << row.typed;
    }
}

TEST(AnchorColor, ThreeDecimalNumbersOrTheFallback) {
    const COLORREF fallback = kDefaultLinkColor;
    EXPECT_EQ(ParseAnchorColor(L"255,0,0", fallback), RGB(255, 0, 0));
    EXPECT_EQ(ParseAnchorColor(L" 0 , 102 ,204 ", fallback), RGB(0, 102, 204));
    for (const wchar_t* bad :
         {L"", L"255,0", L"255,0,0,0", L"256,0,0", L"a,b,c", L"1,,2", L"-1,0,0", L"1;2;3"})
        EXPECT_EQ(ParseAnchorColor(bad, fallback), fallback) << bad;
    EXPECT_EQ(ParseAnchorColor(nullptr, fallback), fallback);
}

}  // namespace
}  // namespace radu::ui
