#include "support/pixels.h"

#include "common/device_context.h"
#include "common/unique_handle.h"

namespace radu::test {

Pixels ReadPixels(int width, int height, const std::function<void(HDC)>& draw) {
    Pixels out;
    out.width = width;
    out.height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    radu::WindowDc screen = radu::WindowDc::Client(nullptr);
    radu::UniqueMemoryDc dc(::CreateCompatibleDC(screen.get()));
    radu::UniqueGdiObject bitmap(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    radu::SelectedObject selected(dc.get(), bitmap.get());
    draw(dc.get());
    ::GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    out.rgb.assign(p, p + static_cast<size_t>(width) * height);
    for (DWORD& v : out.rgb)
        v &= 0x00FFFFFF;
    return out;
}

}  // namespace radu::test
