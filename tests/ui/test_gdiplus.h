// Helpers for tests of drawing code: GDI+ for the whole test program, test windows that paint a known
// colour, and reading back what a window paints.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "ui/gdiplus.h"

#include "support/pixels.h"

namespace radu::test {

// A top-level test window of `width` x `height` client pixels that fills its client area with `color`
// (also when asked to paint into a given device context) and reflects notifications to its children.
// `onMessage` sees every message first; returning true answers it with `result`.
class PaintedWindow {
  public:
    using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;
    PaintedWindow(int width, int height, COLORREF color, Hook onMessage = nullptr);
    ~PaintedWindow();
    PaintedWindow(const PaintedWindow&) = delete;
    PaintedWindow& operator=(const PaintedWindow&) = delete;
    HWND hwnd() const { return window; }
    void SetColor(COLORREF color) { fillColor = color; }

  private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND window = nullptr;
    COLORREF fillColor;
    Hook hook;
};

// What `window` paints of itself when asked with WM_PRINTCLIENT, as 0x00RRGGBB pixels row by row.
Pixels PrintClient(HWND window);

// 0x00RRGGBB of a GDI+ bitmap's pixel.
DWORD BitmapPixel(Gdiplus::Bitmap& bitmap, int x, int y);
// A solid ARGB picture.
ui::GdiPtr<Gdiplus::Image> SolidPicture(int width, int height, Gdiplus::Color color);

// Processes the messages waiting for this thread.
void PumpMessages();

constexpr DWORD Rgb(int r, int g, int b) {
    return (static_cast<DWORD>(r) << 16) | (static_cast<DWORD>(g) << 8) | static_cast<DWORD>(b);
}

}  // namespace radu::test
