// The dialog's own surface: page picture, white band, banner slideshow; colours of the static texts.
#include <algorithm>

#include "common/device_context.h"
#include "ui/control_ids.h"
#include "ui/main_view.h"

namespace radu::ui {

void CMainView::OnPaint(WPARAM wParam) {
    // A device context in wParam is one we are handed: the skinned controls capture the skin this way.
    radu::PaintDc dc(dialogWindow, reinterpret_cast<HDC>(wParam));
    Gdiplus::Graphics graphics(dc.get());
    PaintSkin(graphics);
}

void CMainView::PaintSkin(Gdiplus::Graphics& graphics) {
    RECT client = {};
    ::GetClientRect(dialogWindow, &client);

    // The white band behind the lower controls.
    Gdiplus::SolidBrush white(Gdiplus::Color(0xFF, 0xFF, 0xFF, 0xFF));
    graphics.FillRectangle(&white, 0, scale(kPictureHeight), client.right - client.left,
                           client.bottom - client.top);

    Gdiplus::Image* picture = PagePicture(pageImage);
    if (picture == nullptr)
        return;
    const INT pictureWidth = static_cast<INT>(picture->GetWidth());
    const INT pictureHeight = static_cast<INT>(picture->GetHeight());

    const INT areaWidth = scale(kClientWidth);
    const INT areaHeight = scale(kPictureHeight);
    if (pageImage == 2 || pageImage == 3) {
        // Slideshow: the revealed columns of the banner, the rest still the picture it is revealed over.
        // That picture is drawn rather than left to what the screen showed, which would keep the hidden
        // controls of the page before on show until the wipe reaches them.
        const INT shown = std::min<INT>(scale(slides.slideStep * Slideshow::kColumnsPerStep), pictureWidth);
        Gdiplus::Image* under = PagePicture(previousImage);
        Gdiplus::Rect clip;
        graphics.GetVisibleClipBounds(&clip);  // a wipe step repaints only its strip: nothing to draw here
        if (under != nullptr && shown < areaWidth && clip.GetRight() > shown)
            graphics.DrawImage(under, Gdiplus::Rect(shown, 0, areaWidth - shown, areaHeight), shown, 0,
                               areaWidth - shown, areaHeight, Gdiplus::UnitPixel);
        if (shown > 0)
            graphics.DrawImage(picture, Gdiplus::Rect(0, 0, shown, pictureHeight), 0, 0, shown, pictureHeight,
                               Gdiplus::UnitPixel);
        return;
    }
    Gdiplus::Bitmap offscreen(areaWidth, areaHeight, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics composer(&offscreen);
        composer.DrawImage(picture, Gdiplus::Rect(0, 0, areaWidth, areaHeight));
    }
    graphics.DrawImage(&offscreen, 0, 0, areaWidth, areaHeight);
}

void CMainView::OnSlideTimer() {
    int picture = 0;
    int width = 0;
    if (!slides.Tick(picture, width))
        return;
    if (picture != pageImage)
        previousImage = pageImage;  // the next banner is revealed over the whole one
    pageImage = picture;
    RECT strip = {0, 0, scale(width), scale(kPictureHeight)};
    ::InvalidateRect(dialogWindow, &strip, FALSE);
}

void CMainView::StopSlideshow() {
    ::KillTimer(dialogWindow, ID_TIMER_SLIDESHOW);
}

LRESULT CMainView::OnCtlColorStatic(HDC dc, HWND control) {
    const HBRUSH hollow = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    switch (::GetDlgCtrlID(control)) {
        case kIdOptionLabelDesktop:
        case kIdOptionLabelStartMenu:
        case kIdOptionLabelAutoStart:
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
            return reinterpret_cast<LRESULT>(hollow);
        case kIdFolderLabel:
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, RGB(0x00, 0x56, 0x94));
            return reinterpret_cast<LRESULT>(hollow);
        case kIdStatusText:
        case kIdPercentText:
            // These texts change while they are shown; the static fills its whole area with the brush it
            // gets, so a white one (the band behind them) clears what a longer text left.
            ::SetBkMode(dc, OPAQUE);
            ::SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
            ::SetTextColor(dc, RGB(0x00, 0x56, 0x94));
            return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
        case kIdLicenceBox:
            ::SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
        case kIdOptionDesktop:
        case kIdOptionStartMenu:
        case kIdOptionAutoStart:
            ::SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(optionBackground.get());
        case kIdFolderField:
            return 0;  // read-only or disabled field: the system's colours
        default:
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, RGB(0, 0, 0));
            return reinterpret_cast<LRESULT>(hollow);
    }
}

}  // namespace radu::ui
