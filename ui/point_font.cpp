#include "ui/point_font.h"

#include <cwchar>

namespace radu::ui {

int PointFontHeight(int tenthsOfPoint) {
    HDC screen = ::GetDC(nullptr);
    POINT pt = {0, ::MulDiv(::GetDeviceCaps(screen, LOGPIXELSY), tenthsOfPoint, 720)};
    POINT origin = {0, 0};
    ::DPtoLP(screen, &pt, 1);
    ::DPtoLP(screen, &origin, 1);
    ::ReleaseDC(nullptr, screen);
    const int height = pt.y - origin.y;
    return -(height < 0 ? -height : height);
}

radu::UniqueGdiObject CreatePointFont(int tenthsOfPoint, const wchar_t* face) {
    LOGFONTW lf = {};
    lf.lfHeight = PointFontHeight(tenthsOfPoint);
    lf.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return radu::UniqueGdiObject(::CreateFontIndirectW(&lf));
}

}  // namespace radu::ui
