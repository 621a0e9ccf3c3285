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
    OnMessage<CCustomButton>(WM_GETOBJECT, &CCustomButton::OnGetObject),
};
const MessageMap<CCustomButton> CCustomButton::kMessageMap = MakeMessageMap(CCustomButton::kMessageEntries);

CCustomButton::CCustomButton()
    : textColor{RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(0x28, 0x28, 0x28)},
      textFont(new Gdiplus::Font(L"Arial", 12.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint)) {}

CCustomButton::~CCustomButton() {
    // The window goes first: no message may reach the pictures while they are destroyed.
    DestroyIfAlive();
}

HWND CCustomButton::Create(HWND parent, const RECT& rect, DWORD style, int id) {
    return CreateSkinnedChild(parent, rect, style, id);
}

bool CCustomButton::LoadStrip(int resourceId) {
    const bool ok = LoadSkinImage(frameStrip, MAKEINTRESOURCEW(resourceId), L"PNG");
    RebuildIfCreated();
    return ok;
}

void CCustomButton::SetStrip(GdiPtr<Gdiplus::Image> strip) {
    frameStrip = std::move(strip);
    RebuildIfCreated();
}

void CCustomButton::SetFrameCount(int count) {
    frameCount = count;
    RebuildIfCreated();
}

template <typename Value>
void CCustomButton::SetPerFace(Value (&slots)[kFaceCount], Value normal, Value pressed, Value hover,
                               Value disabled) {
    slots[kNormal] = normal;
    slots[kPressed] = pressed;
    slots[kHover] = hover;
    slots[kDisabled] = disabled;
    RebuildIfCreated();
}

void CCustomButton::SetFrameIndexes(int normal, int pressed, int hover, int disabled) {
    SetPerFace(stateFrames, normal, pressed, hover, disabled);
}

void CCustomButton::SetTextColors(COLORREF normal, COLORREF pressed, COLORREF hover, COLORREF disabled) {
    SetPerFace(textColor, normal, pressed, hover, disabled);
}

void CCustomButton::SetSkinParent(HWND parent) {
    skinParent = parent;
    RebuildIfCreated();
}

void CCustomButton::SetCheckMode(bool on) {
    checkMode = on;
    RebuildIfCreated();
}

void CCustomButton::SetButtonText(const wchar_t* text) {
    if (hwnd() == nullptr)
        return;
    ::SetWindowTextW(hwnd(), text);
    RebuildStates();
}

void CCustomButton::SetLabelDrop(int extraHeight) {
    labelDrop = extraHeight;
    RebuildIfCreated();
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

    std::lock_guard<std::recursive_mutex> hold(lock);
    for (auto& face : faces)
        face.reset(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    PaintState(faces[kNormal].get(), stateFrames[kNormal], textColor[kNormal]);
    PaintState(faces[kHover].get(), stateFrames[kHover], textColor[kHover]);
    PaintState(faces[kPressed].get(), stateFrames[kPressed], textColor[kPressed]);
    PaintState(faces[kDisabled].get(), stateFrames[kDisabled], textColor[kDisabled]);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    return true;
}

void CCustomButton::PaintState(Gdiplus::Bitmap* picture, int frameIndex, COLORREF color) {
    if (picture == nullptr || frameIndex < 0)
        return;  // a negative index leaves the face transparent
    Gdiplus::Graphics g(picture);
    const INT width = static_cast<INT>(picture->GetWidth());
    const INT height = static_cast<INT>(picture->GetHeight());

    if (!background.brush)
        CaptureBackground(hwnd(), skinParent, background);
    if (background.brush)
        g.FillRectangle(background.brush.get(), 0, 0, width, height);

    Gdiplus::REAL frameWidth = static_cast<Gdiplus::REAL>(width);
    Gdiplus::REAL frameHeight = static_cast<Gdiplus::REAL>(height);
    if (frameStrip && frameCount >= 1) {
        frameWidth =
            static_cast<Gdiplus::REAL>(frameStrip->GetWidth()) / static_cast<Gdiplus::REAL>(frameCount);
        frameHeight = static_cast<Gdiplus::REAL>(frameStrip->GetHeight());
        // A straight copy of the frame: no scaling, so no sampling across the frame's edges either.
        g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        g.DrawImage(frameStrip.get(), Gdiplus::RectF(0, 0, frameWidth, frameHeight),
                    static_cast<Gdiplus::REAL>(frameIndex) * frameWidth, 0, frameWidth, frameHeight,
                    Gdiplus::UnitPixel);
    }

    wchar_t text[1024] = L"";
    ::GetWindowTextW(hwnd(), text, 1024);
    if (text[0] == L'\0' || !textFont)
        return;
    Gdiplus::SolidBrush brush(OpaqueColor(color));
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    // The layout box is taller than the frame (10 pixels at design size): the text sits below the middle.
    g.DrawString(text, -1, textFont.get(),
                 Gdiplus::RectF(0, 0, frameWidth, frameHeight + static_cast<Gdiplus::REAL>(labelDrop)),
                 &format, &brush);
}

LRESULT CCustomButton::OnSize(WPARAM, LPARAM lParam) {
    const int width = LOWORD(lParam);
    const int height = HIWORD(lParam);
    if (width != cachedWidth || height != cachedHeight) {
        std::lock_guard<std::recursive_mutex> hold(lock);
        cachedWidth = width;
        cachedHeight = height;
        background.Reset();  // captured again by the next composition
    }
    return 1;
}

LRESULT CCustomButton::OnSetFont(WPARAM wParam, LPARAM) {
    textFont.reset();
    radu::WindowDc dc = radu::WindowDc::Client(hwnd());
    LOGFONTW lf;
    HFONT font = reinterpret_cast<HFONT>(wParam);
    if (font != nullptr && ::GetObjectW(font, sizeof(lf), &lf) == sizeof(lf)) {
        textFont.reset(new Gdiplus::Font(dc.get(), &lf));
    } else {
        textFont.reset(new Gdiplus::Font(dc.get()));
    }
    if (textFont->GetLastStatus() != Gdiplus::Ok)
        textFont.reset();
    RebuildStates();
    return 0;
}

LRESULT CCustomButton::OnLButtonDown(WPARAM, LPARAM) {
    if (checkMode)
        checked = !checked;
    return 0;
}

LRESULT CCustomButton::OnReflectedCustomDraw(WPARAM, LPARAM lParam) {
    return DispatchCustomDraw(reinterpret_cast<NMCUSTOMDRAW*>(lParam));
}

DWORD CCustomButton::DrawFace(NMCUSTOMDRAW* draw) {
    for (const auto& face : faces)
        if (!face)
            return CDRF_DODEFAULT;  // the system draws the button

    std::lock_guard<std::recursive_mutex> hold(lock);
    const UINT state = draw->uItemState;
    Gdiplus::Bitmap* chosen;
    if ((state & CDIS_SELECTED) || (checkMode && checked)) {
        chosen = faces[kPressed].get();
        lastFrame = stateFrames[kPressed];
    } else if (state & CDIS_HOT) {
        chosen = faces[kHover].get();
    } else if (state & CDIS_DISABLED) {
        if (checkMode)
            chosen = lastFrame == stateFrames[kPressed] ? faces[kPressed].get() : faces[kNormal].get();
        else
            chosen = faces[kDisabled].get();
    } else {
        chosen = faces[kNormal].get();
        lastFrame = stateFrames[kNormal];
    }
    Gdiplus::Graphics g(draw->hdc);
    g.DrawImage(chosen, 0, 0, static_cast<INT>(chosen->GetWidth()), static_cast<INT>(chosen->GetHeight()));
    return CDRF_SKIPDEFAULT;
}

LRESULT CCustomButton::OnGetObject(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (accessible.Answer(hwnd(), wParam, lParam, result))
        return result;
    return CallPrevious(WM_GETOBJECT, wParam, lParam);
}

void CCustomButton::DescribeAccessible(AccessibleDescription& out) const {
    if (accessibleName != nullptr)
        out.name = accessibleName;
    else
        out.NameFromText(hwnd());
    if (!checkMode) {
        out.role = ROLE_SYSTEM_PUSHBUTTON;
        out.defaultAction = L"按下";
        return;
    }
    out.role = ROLE_SYSTEM_CHECKBUTTON;
    out.addedState = checked ? STATE_SYSTEM_CHECKED : 0;
    out.defaultAction = checked ? L"清除" : L"选中";
}

bool CCustomButton::DoAccessibleAction() {
    // Posted: the screen reader's call returns before the window acts on the click.
    return ::PostMessageW(hwnd(), BM_CLICK, 0, 0) != FALSE;
}

}  // namespace radu::ui
