// CMyProgress: the skinned progress bar. An orange fill grows from the left inside a rounded track, over
// the skin behind the bar. The whole look is composed into one picture whenever the position changes;
// painting only copies that picture. A screen reader hears a progress bar named by the status text beside
// it, whose value is the percent the bar shows ("45%"); each change of that value is announced.
#pragma once

#include "ui/accessible.h"
#include "ui/capture_background.h"
#include "ui/gdiplus.h"
#include "ui/window_impl.h"

namespace radu::ui {

// Width of the fill for `position` per cent (read as unsigned: 100 or more, and negative values, fill the
// bar) in a client area from `left` to `right` with the fill inset by `margin` and drawn `extraWidth`
// pixels wider than the returned width.
int ProgressFillWidth(unsigned position, int left, int right, int margin, int extraWidth);
// The percent a bar at `position` shows (read as ProgressFillWidth reads it): 0 to 100.
unsigned ProgressPercent(unsigned position);

class CMyProgress : public CWindowImpl<CMyProgress>, private AccessibleSource {
  public:
    static constexpr const wchar_t* kBaseClass = L"STATIC";
    static constexpr const wchar_t* kClassName = L"RaduSkinProgress";
    static const MessageEntry<CMyProgress> kMessageEntries[];
    static const MessageMap<CMyProgress> kMessageMap;

    CMyProgress() = default;
    ~CMyProgress() override;

    // Style 0 means WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
    HWND Create(HWND parent, const RECT& rect, DWORD style, int id);

    // Track and fill pictures from "PNG" resources of the program.
    bool LoadPictures(int trackResource, int fillResource);
    // The same from pictures at hand (the bar owns them from now on).
    void SetPictures(GdiPtr<Gdiplus::Image> track, GdiPtr<Gdiplus::Image> fill);
    // Each of these changes the look: the next SetPosition composes the bar afresh.
    void SetSkinParent(HWND parent) {
        skinParent = parent;
        composed.reset();
    }
    void SetMargins(int margin, int extraWidth) {
        barMargin = margin;
        barExtraWidth = extraWidth;
        composed.reset();
    }

    // The static text that names the bar for a screen reader.
    void SetAccessibleLabel(HWND label) { accessibleLabel = label; }

    // Composes and repaints the bar, unless it already shows this position.
    void SetPosition(int position);
    // Composes background, track and fill; false while no skin parent is set.
    bool ComposeBar();

    unsigned Position() const { return shownPosition; }
    int FillWidth() const { return shownFillWidth; }

  private:
    LRESULT OnCreate(WPARAM, LPARAM) { return 0; }
    LRESULT OnMoveOrSize(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnEraseBackground(WPARAM, LPARAM) { return 1; }
    LRESULT OnGetObject(WPARAM, LPARAM);

    void DescribeAccessible(AccessibleDescription& out) const override;

    GdiPtr<Gdiplus::Image> trackImage;
    GdiPtr<Gdiplus::Image> fillImage;
    GdiPtr<Gdiplus::Bitmap> composed;
    CapturedBackground background;
    HWND skinParent = nullptr;
    int shownFillWidth = 0;
    unsigned shownPosition = 0;
    int barMargin = 1;
    int barExtraWidth = 2;
    HWND accessibleLabel = nullptr;
    AccessibleAnswer accessible{*this};
};

}  // namespace radu::ui
