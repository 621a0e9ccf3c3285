// CMyProgress: the skinned progress bar. An orange fill grows from the left inside a rounded track, over
// the skin behind the bar. The whole look is composed into one picture whenever the position changes;
// painting only copies that picture.
#pragma once

#include "ui/capture_background.h"
#include "ui/gdiplus.h"
#include "ui/window_impl.h"

namespace radu::ui {

// Width of the fill for `position` per cent (read as unsigned: 100 or more, and negative values, fill the
// bar) in a client area from `left` to `right` with the fill inset by `margin` and drawn `extraWidth`
// pixels wider than the returned width.
int ProgressFillWidth(unsigned position, int left, int right, int margin, int extraWidth);

class CMyProgress : public CWindowImpl<CMyProgress> {
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
        composed_.reset();
    }
    void SetMargins(int margin, int extraWidth) {
        margin_ = margin;
        extraWidth_ = extraWidth;
        composed_.reset();
    }

    // Composes and repaints the bar, unless it already shows this position.
    void SetPosition(int position);
    // Composes background, track and fill; false while no skin parent is set.
    bool ComposeBar();

    unsigned position() const { return position_; }
    int fillWidth() const { return fillWidth_; }

  private:
    LRESULT OnCreate(WPARAM, LPARAM) { return 0; }
    LRESULT OnMoveOrSize(WPARAM, LPARAM);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnEraseBackground(WPARAM, LPARAM) { return 1; }

    GdiPtr<Gdiplus::Image> track_;
    GdiPtr<Gdiplus::Image> fill_;
    GdiPtr<Gdiplus::Bitmap> composed_;
    CapturedBackground background_;
    HWND skinParent = nullptr;
    int fillWidth_ = 0;
    unsigned position_ = 0;
    int margin_ = 1;
    int extraWidth_ = 2;
};

}  // namespace radu::ui
