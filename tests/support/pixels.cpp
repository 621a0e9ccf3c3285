#include "support/pixels.h"

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
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    draw(dc);
    ::GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    out.rgb.assign(p, p + static_cast<size_t>(width) * height);
    for (DWORD& v : out.rgb)
        v &= 0x00FFFFFF;
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return out;
}

}  // namespace radu::test
