#include "ui/my_progress.h"

#include "common/device_context.h"
#include "ui/skin_image.h"

namespace radu::ui {

int ProgressFillWidth(unsigned position, int left, int right, int margin, int extraWidth) {
    float fraction;
    if (position >= 100)
        fraction = 1.0f;
    else if (position == 0)
        fraction = 0.0f;
    else
        fraction = static_cast<float>(position) / 100.0f;
    const int inner = right - 2 * margin - extraWidth - left;
    return static_cast<int>(static_cast<float>(inner) * fraction);
}

const MessageEntry<CMyProgress> CMyProgress::kMessageEntries[] = {
    OnMessage<CMyProgress>(WM_CREATE, &CMyProgress::OnCreate),
    OnMessageThenDefault<CMyProgress>(WM_MOVE, &CMyProgress::OnMoveOrSize),
    OnMessageThenDefault<CMyProgress>(WM_SIZE, &CMyProgress::OnMoveOrSize),
    OnMessage<CMyProgress>(WM_PAINT, &CMyProgress::OnPaint),
    OnMessage<CMyProgress>(WM_PRINTCLIENT, &CMyProgress::OnPaint),
    OnMessage<CMyProgress>(WM_ERASEBKGND, &CMyProgress::OnEraseBackground),
};
const MessageMap<CMyProgress> CMyProgress::kMessageMap = MakeMessageMap(CMyProgress::kMessageEntries);

CMyProgress::~CMyProgress() {
    if (hwnd() != nullptr && ::IsWindow(hwnd()))
        ::DestroyWindow(hwnd());
}

HWND CMyProgress::Create(HWND parent, const RECT& rect, DWORD style, int id) {
    if (style == 0)
        style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    return CreateSuperclassed(parent, rect, style, id);
}

bool CMyProgress::LoadPictures(int trackResource, int fillResource) {
    const bool track = LoadSkinImage(track_, MAKEINTRESOURCEW(trackResource), L"PNG");
    const bool fill = LoadSkinImage(fill_, MAKEINTRESOURCEW(fillResource), L"PNG");
    composed_.reset();
    return track && fill;
}

void CMyProgress::SetPictures(GdiPtr<Gdiplus::Image> track, GdiPtr<Gdiplus::Image> fill) {
    track_ = std::move(track);
    fill_ = std::move(fill);
    composed_.reset();
}

void CMyProgress::SetPosition(int position) {
    RECT rc = {};
    if (hwnd() != nullptr)
        ::GetClientRect(hwnd(), &rc);
    const int fillWidth =
        ProgressFillWidth(static_cast<unsigned>(position), rc.left, rc.right, margin_, extraWidth_);
    // Unpacking sets the position once per entry, thousands of times for a few dozen different pictures:
    // a bar that would look the same is neither composed nor painted again.
    if (composed_ && static_cast<unsigned>(position) == position_ && fillWidth == fillWidth_)
        return;
    position_ = static_cast<unsigned>(position);
    fillWidth_ = fillWidth;
    ComposeBar();
    if (hwnd() != nullptr)
        ::InvalidateRect(hwnd(), nullptr, TRUE);
}

bool CMyProgress::ComposeBar() {
    if (skinParent == nullptr || hwnd() == nullptr)
        return false;
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    const INT width = rc.right - rc.left;
    const INT height = rc.bottom - rc.top;
    composed_.reset();
    if (width <= 0 || height <= 0)
        return false;
    composed_.reset(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    Gdiplus::Graphics g(composed_.get());
    g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);

    if (!background_.brush)
        CaptureBackground(hwnd(), skinParent, background_);
    if (background_.brush)
        g.FillRectangle(background_.brush.get(), 0, 0, width, height);
    if (track_)
        g.DrawImage(track_.get(), 0, 0, width, height);
    if (fillWidth_ != 0 && fill_) {
        // The fill is revealed from its left end, never stretched sideways.
        const INT shown = extraWidth_ + fillWidth_;
        g.DrawImage(fill_.get(), Gdiplus::Rect(margin_, margin_, shown, height - 2 * margin_), 0, 0, shown,
                    static_cast<INT>(fill_->GetHeight()), Gdiplus::UnitPixel);
    }
    return true;
}

LRESULT CMyProgress::OnMoveOrSize(WPARAM, LPARAM) {
    background_.Reset();
    composed_.reset();  // the skin behind the bar is another now
    if (position_ != 0)
        SetPosition(static_cast<int>(position_));
    return 0;
}

LRESULT CMyProgress::OnPaint(WPARAM wParam, LPARAM) {
    radu::PaintDc dc(hwnd(), reinterpret_cast<HDC>(wParam));
    if (skinParent != nullptr && composed_) {
        Gdiplus::Graphics g(dc.get());
        g.DrawImage(composed_.get(), 0, 0, static_cast<INT>(composed_->GetWidth()),
                    static_cast<INT>(composed_->GetHeight()));
    }
    return 0;
}

}  // namespace radu::ui
