#include "ui/custom_button.h"

#include "common/device_context.h"
#include "ui/reflect.h"
#include "ui/skin_image.h"

namespace radu::ui {

const MessageEntry<CCustomButton> CCustomButton::kMessageEntries[] = {
    OnMessage<CCustomButton>(WM_SIZE, &CCustomButton::OnSize),
    OnMessageThenDefault<CCustomButton>(WM_SETFONT, &CCustomButton::OnSetFont),
    OnMessageThenDefault<CCustomButton>(WM_LBUTTONDOWN, &CCustomButton::OnLButtonDown),
    OnNotify<CCustomButton>(kReflectedNotify, -1, NM_CUSTOMDRAW, &CCustomButton::OnReflectedCustomDraw),
};
const MessageMap<CCustomButton> CCustomButton::kMessageMap = MakeMessageMap(CCustomButton::kMessageEntries);

CCustomButton::CCustomButton()
    : textColor_{RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(0x28, 0x28, 0x28)},
      font_(new Gdiplus::Font(L"Arial", 12.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint)) {}

CCustomButton::~CCustomButton() {
    // The window goes first: no message may reach the pictures while they are destroyed.
    if (hwnd() != nullptr && ::IsWindow(hwnd()))
        ::DestroyWindow(hwnd());
}

HWND CCustomButton::Create(HWND parent, const RECT& rect, DWORD style, int id) {
    if (style == 0)
        style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    return CreateSuperclassed(parent, rect, style, id);
}

bool CCustomButton::LoadStrip(int resourceId) {
    const bool ok = LoadSkinImage(strip_, MAKEINTRESOURCEW(resourceId), L"PNG");
    RebuildIfCreated();
    return ok;
}

void CCustomButton::SetStrip(GdiPtr<Gdiplus::Image> strip) {
    strip_ = std::move(strip);
    RebuildIfCreated();
}

void CCustomButton::SetFrameCount(int count) {
    frameCount_ = count;
    RebuildIfCreated();
}

void CCustomButton::SetFrameIndexes(int normal, int pressed, int hover, int disabled) {
    frameIndex_[kNormal] = normal;
    frameIndex_[kPressed] = pressed;
    frameIndex_[kHover] = hover;
    frameIndex_[kDisabled] = disabled;
    RebuildIfCreated();
}

void CCustomButton::SetTextColors(COLORREF normal, COLORREF pressed, COLORREF hover, COLORREF disabled) {
    textColor_[kNormal] = normal;
    textColor_[kPressed] = pressed;
    textColor_[kHover] = hover;
    textColor_[kDisabled] = disabled;
    RebuildIfCreated();
}

void CCustomButton::SetSkinParent(HWND parent) {
    skinParent = parent;
    RebuildIfCreated();
}

void CCustomButton::SetCheckMode(bool on) {
    checkMode_ = on;
    RebuildIfCreated();
}

void CCustomButton::SetButtonText(const wchar_t* text) {
    if (hwnd() == nullptr)
        return;
    ::SetWindowTextW(hwnd(), text);
    RebuildStates();
}

void CCustomButton::RebuildIfCreated() {
    if (hwnd() != nullptr)
        RebuildStates();
}

bool CCustomButton::RebuildStates() {
    RECT rc;
    if (hwnd() == nullptr || !::GetClientRect(hwnd(), &rc) || rc.right - rc.left == 0)
        return false;
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;

    std::lock_guard<std::recursive_mutex> hold(lock_);
    for (auto& face : faces_)
        face.reset(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    PaintState(faces_[kNormal].get(), frameIndex_[kNormal], textColor_[kNormal]);
    PaintState(faces_[kHover].get(), frameIndex_[kHover], textColor_[kHover]);
    PaintState(faces_[kPressed].get(), frameIndex_[kPressed], textColor_[kPressed]);
    PaintState(faces_[kDisabled].get(), frameIndex_[kDisabled], textColor_[kDisabled]);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    return true;
}

void CCustomButton::PaintState(Gdiplus::Bitmap* picture, int frameIndex, COLORREF color) {
    if (picture == nullptr || frameIndex < 0)
        return;  // a negative index leaves the face transparent
    Gdiplus::Graphics g(picture);
    const INT width = static_cast<INT>(picture->GetWidth());
    const INT height = static_cast<INT>(picture->GetHeight());

    if (!background_.brush)
        CaptureBackground(hwnd(), skinParent, background_);
    if (background_.brush)
        g.FillRectangle(background_.brush.get(), 0, 0, width, height);

    Gdiplus::REAL frameWidth = static_cast<Gdiplus::REAL>(width);
    Gdiplus::REAL frameHeight = static_cast<Gdiplus::REAL>(height);
    if (strip_ && frameCount_ >= 1) {
        frameWidth = static_cast<Gdiplus::REAL>(strip_->GetWidth()) / static_cast<Gdiplus::REAL>(frameCount_);
        frameHeight = static_cast<Gdiplus::REAL>(strip_->GetHeight());
        // A straight copy of the frame: no scaling, so no sampling across the frame's edges either.
        g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        g.DrawImage(strip_.get(), Gdiplus::RectF(0, 0, frameWidth, frameHeight),
                    static_cast<Gdiplus::REAL>(frameIndex) * frameWidth, 0, frameWidth, frameHeight,
                    Gdiplus::UnitPixel);
    }

    wchar_t text[1024] = L"";
    ::GetWindowTextW(hwnd(), text, 1024);
    if (text[0] == L'\0' || !font_)
        return;
    Gdiplus::SolidBrush brush(OpaqueColor(color));
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    // The layout box is 10 pixels taller than the frame: the text sits 5 pixels below the middle.
    g.DrawString(text, -1, font_.get(), Gdiplus::RectF(0, 0, frameWidth, frameHeight + 10), &format, &brush);
}

LRESULT CCustomButton::OnSize(WPARAM, LPARAM lParam) {
    const int width = LOWORD(lParam);
    const int height = HIWORD(lParam);
    if (width != width_ || height != height_) {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        width_ = width;
        height_ = height;
        background_.Reset();  // captured again by the next composition
    }
    return 1;
}

LRESULT CCustomButton::OnSetFont(WPARAM wParam, LPARAM) {
    font_.reset();
    radu::WindowDc dc = radu::WindowDc::Client(hwnd());
    LOGFONTW lf;
    HFONT font = reinterpret_cast<HFONT>(wParam);
    if (font != nullptr && ::GetObjectW(font, sizeof(lf), &lf) == sizeof(lf)) {
        font_.reset(new Gdiplus::Font(dc.get(), &lf));
    } else {
        font_.reset(new Gdiplus::Font(dc.get()));
    }
    if (font_->GetLastStatus() != Gdiplus::Ok)
        font_.reset();
    RebuildStates();
    return 0;
}

LRESULT CCustomButton::OnLButtonDown(WPARAM, LPARAM) {
    if (checkMode_)
        checked_ = !checked_;
    return 0;
}

LRESULT CCustomButton::OnReflectedCustomDraw(WPARAM, LPARAM lParam) {
    return DispatchCustomDraw(reinterpret_cast<NMCUSTOMDRAW*>(lParam));
}

DWORD CCustomButton::DrawFace(NMCUSTOMDRAW* draw) {
    for (const auto& face : faces_)
        if (!face)
            return CDRF_DODEFAULT;  // the system draws the button

    std::lock_guard<std::recursive_mutex> hold(lock_);
    const UINT state = draw->uItemState;
    Gdiplus::Bitmap* chosen;
    if ((state & CDIS_SELECTED) || (checkMode_ && checked_)) {
        chosen = faces_[kPressed].get();
        lastFrame_ = frameIndex_[kPressed];
    } else if (state & CDIS_HOT) {
        chosen = faces_[kHover].get();
    } else if (state & CDIS_DISABLED) {
        if (checkMode_)
            chosen = lastFrame_ == frameIndex_[kPressed] ? faces_[kPressed].get() : faces_[kNormal].get();
        else
            chosen = faces_[kDisabled].get();
    } else {
        chosen = faces_[kNormal].get();
        lastFrame_ = frameIndex_[kNormal];
    }
    Gdiplus::Graphics g(draw->hdc);
    g.DrawImage(chosen, 0, 0, static_cast<INT>(chosen->GetWidth()), static_cast<INT>(chosen->GetHeight()));
    return CDRF_SKIPDEFAULT;
}

}  // namespace radu::ui
