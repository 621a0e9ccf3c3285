// CCustomButton: the skinned push button. Its face is cut from a horizontal strip of equally wide frames
// in one picture and laid over the skin behind the button, with the button's text centred on top. The
// four faces (normal, hover, pressed, disabled) are composed whenever the picture, text, font or colours
// change; painting only copies the face that matches the button's state. Apart from drawing it is the
// system push button (focus, keys, BN_CLICKED to the parent). It needs the version 6 common controls
// (custom-draw notifications) and a parent that reflects notifications back to it. A screen reader hears a
// push button (a check box in check mode) named by its text, or, for a picture-only button, by the name
// it is given for what it does.
#pragma once

#include <mutex>

#include "ui/accessible.h"
#include "ui/capture_background.h"
#include "ui/custom_draw.h"
#include "ui/gdiplus.h"
#include "ui/window_impl.h"

namespace radu::ui {

class CCustomButton : public CWindowImpl<CCustomButton>, public CCustomDraw, private AccessibleSource {
  public:
    static constexpr const wchar_t* kBaseClass = L"BUTTON";
    static constexpr const wchar_t* kClassName = L"RaduSkinButton";
    static const MessageEntry<CCustomButton> kMessageEntries[];
    static const MessageMap<CCustomButton> kMessageMap;

    enum Face { kNormal, kHover, kPressed, kDisabled, kFaceCount };

    CCustomButton();
    ~CCustomButton() override;

    // Style 0 means WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
    HWND Create(HWND parent, const RECT& rect, DWORD style, int id);

    // The frame strip, a "PNG" resource of the program. The old strip is destroyed.
    bool LoadStrip(int resourceId);
    // The same with a picture at hand (the button owns it from now on).
    void SetStrip(GdiPtr<Gdiplus::Image> strip);
    // The setters below store their values and recompose the faces when the window exists.
    void SetFrameCount(int count);
    void SetFrameIndexes(int normal, int pressed, int hover, int disabled);
    void SetTextColors(COLORREF normal, COLORREF pressed, COLORREF hover, COLORREF disabled);
    void SetSkinParent(HWND parent);
    void SetCheckMode(bool on);
    void SetButtonText(const wchar_t* text);
    // What a screen reader calls a button that shows a picture only (a text that lasts as long as the
    // button, "关闭"); a button with text is called by its text.
    void SetAccessibleName(const wchar_t* name) { accessibleName = name; }
    // The text is centred in a box this many pixels taller than the frame (10: 5 pixels below the
    // frame's middle); a window drawn larger than its design size makes it larger too.
    void SetLabelDrop(int extraHeight);

    // Composes the four faces; false when the button has no width.
    bool RebuildStates();

    bool IsChecked() const { return checked; }
    // A composed face (null before the first composition), for inspection.
    Gdiplus::Bitmap* face(Face f) const { return faces[f].get(); }

  private:
    LRESULT OnSize(WPARAM, LPARAM);
    LRESULT OnSetFont(WPARAM, LPARAM);
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    LRESULT OnReflectedCustomDraw(WPARAM, LPARAM);
    LRESULT OnGetObject(WPARAM, LPARAM);

    void DescribeAccessible(AccessibleDescription& out) const override;
    bool DoAccessibleAction() override;

    DWORD OnPreErase(int, NMCUSTOMDRAW* draw) override { return DrawFace(draw); }
    // Paints the face for the state in the custom-draw record; 0 leaves the drawing to the system.
    DWORD DrawFace(NMCUSTOMDRAW* draw);

    void PaintState(Gdiplus::Bitmap* picture, int frameIndex, COLORREF color);
    void RebuildIfCreated();
    // Stores one value for each face (in the order of the public setters) and recomposes.
    template <typename Value>
    void SetPerFace(Value (&slots)[kFaceCount], Value normal, Value pressed, Value hover, Value disabled);

    HWND skinParent = nullptr;
    COLORREF textColor[kFaceCount];
    int stateFrames[kFaceCount] = {0, 0, 0, 0};
    int frameCount = 0;
    int labelDrop = 10;
    int lastFrame = 0;
    bool checked = false;
    bool checkMode = false;
    int cachedWidth = 0;
    int cachedHeight = 0;

    GdiPtr<Gdiplus::Font> textFont;
    CapturedBackground background;
    GdiPtr<Gdiplus::Image> frameStrip;
    GdiPtr<Gdiplus::Bitmap> faces[kFaceCount];
    std::recursive_mutex lock;  // faces, cached size and background

    const wchar_t* accessibleName = nullptr;
    AccessibleAnswer accessible{*this};
};

}  // namespace radu::ui
