#include "ui/point_font.h"

#include <cwchar>

#include "common/device_context.h"

namespace radu::ui {

int PointFontHeight(int tenthsOfPoint, UINT dpi) {
    POINT pt = {0, 0};
    POINT origin = {0, 0};
    {
        radu::WindowDc screen = radu::WindowDc::Client(nullptr);
        pt.y = ::MulDiv(static_cast<int>(dpi), tenthsOfPoint, 720);
        ::DPtoLP(screen.get(), &pt, 1);
        ::DPtoLP(screen.get(), &origin, 1);
    }
    const int height = pt.y - origin.y;
    return -(height < 0 ? -height : height);
}

radu::UniqueGdiObject CreatePointFont(int tenthsOfPoint, const wchar_t* face, UINT dpi) {
    LOGFONTW lf = {};
    lf.lfHeight = PointFontHeight(tenthsOfPoint, dpi);
    lf.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return radu::UniqueGdiObject(::CreateFontIndirectW(&lf));
}

}  // namespace radu::ui
