#include "ui/my_progress.h"

#include <cwchar>

#include "common/device_context.h"
#include "ui/skin_image.h"

namespace radu::ui {

unsigned ProgressPercent(unsigned position) {
    return position >= 100 ? 100 : position;
}

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
    OnMessage<CMyProgress>(WM_GETOBJECT, &CMyProgress::OnGetObject),
};
const MessageMap<CMyProgress> CMyProgress::kMessageMap = MakeMessageMap(CMyProgress::kMessageEntries);

CMyProgress::~CMyProgress() {
    DestroyIfAlive();
}

HWND CMyProgress::Create(HWND parent, const RECT& rect, DWORD style, int id) {
    return CreateSkinnedChild(parent, rect, style, id);
}

bool CMyProgress::LoadPictures(int trackResource, int fillResource) {
    const bool track = LoadSkinImage(trackImage, MAKEINTRESOURCEW(trackResource), L"PNG");
    const bool fill = LoadSkinImage(fillImage, MAKEINTRESOURCEW(fillResource), L"PNG");
    composed.reset();
    return track && fill;
}

void CMyProgress::SetPictures(GdiPtr<Gdiplus::Image> track, GdiPtr<Gdiplus::Image> fill) {
    trackImage = std::move(track);
    fillImage = std::move(fill);
    composed.reset();
}

void CMyProgress::SetPosition(int position) {
    RECT rc = {};
    if (hwnd() != nullptr)
        ::GetClientRect(hwnd(), &rc);
    const int fillWidth =
        ProgressFillWidth(static_cast<unsigned>(position), rc.left, rc.right, barMargin, barExtraWidth);
    // Unpacking sets the position once per entry, thousands of times for a few dozen different pictures:
    // a bar that would look the same is neither composed nor painted again.
    if (composed && static_cast<unsigned>(position) == shownPosition && fillWidth == shownFillWidth)
        return;
    const bool valueChanges =
        ProgressPercent(static_cast<unsigned>(position)) != ProgressPercent(shownPosition);
    shownPosition = static_cast<unsigned>(position);
    shownFillWidth = fillWidth;
    ComposeBar();
    if (hwnd() != nullptr)
        ::InvalidateRect(hwnd(), nullptr, TRUE);
    if (valueChanges && hwnd() != nullptr)
        AnnounceAccessible(hwnd(), EVENT_OBJECT_VALUECHANGE);
}

bool CMyProgress::ComposeBar() {
    if (skinParent == nullptr || hwnd() == nullptr)
        return false;
    RECT rc;
    ::GetClientRect(hwnd(), &rc);
    const INT width = rc.right - rc.left;
    const INT height = rc.bottom - rc.top;
    composed.reset();
    if (width <= 0 || height <= 0)
        return false;
    composed.reset(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
    Gdiplus::Graphics g(composed.get());
    g.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);

    if (!background.brush)
        CaptureBackground(hwnd(), skinParent, background);
    if (background.brush)
        g.FillRectangle(background.brush.get(), 0, 0, width, height);
    if (trackImage)
        g.DrawImage(trackImage.get(), 0, 0, width, height);
    if (shownFillWidth != 0 && fillImage) {
        // The fill is revealed from its left end, never stretched sideways.
        const INT shown = barExtraWidth + shownFillWidth;
        g.DrawImage(fillImage.get(), Gdiplus::Rect(barMargin, barMargin, shown, height - 2 * barMargin), 0, 0,
                    shown, static_cast<INT>(fillImage->GetHeight()), Gdiplus::UnitPixel);
    }
    return true;
}

LRESULT CMyProgress::OnMoveOrSize(WPARAM, LPARAM) {
    background.Reset();
    composed.reset();  // the skin behind the bar is another now
    if (shownPosition != 0)
        SetPosition(static_cast<int>(shownPosition));
    return 0;
}

LRESULT CMyProgress::OnPaint(WPARAM wParam, LPARAM) {
    radu::PaintDc dc(hwnd(), reinterpret_cast<HDC>(wParam));
    if (skinParent != nullptr && composed) {
        Gdiplus::Graphics g(dc.get());
        g.DrawImage(composed.get(), 0, 0, static_cast<INT>(composed->GetWidth()),
                    static_cast<INT>(composed->GetHeight()));
    }
    return 0;
}

LRESULT CMyProgress::OnGetObject(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (accessible.Answer(hwnd(), wParam, lParam, result))
        return result;
    return CallPrevious(WM_GETOBJECT, wParam, lParam);
}

void CMyProgress::DescribeAccessible(AccessibleDescription& out) const {
    out.role = ROLE_SYSTEM_PROGRESSBAR;
    if (accessibleLabel != nullptr)
        out.NameFromLabel(accessibleLabel);
    wchar_t percent[8];
    std::swprintf(percent, 8, L"%u%%", ProgressPercent(shownPosition));
    out.value = percent;
    out.addedState = STATE_SYSTEM_READONLY;
}

}  // namespace radu::ui
