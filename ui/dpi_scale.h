// The window's scale: its DPI over the 96 DPI at which the skin's pictures, places and sizes are given
// (logical pixels). One factor for everything the window draws, so that at 120, 144 and 192 DPI the
// window is 1.25, 1.5 and 2 times as large and at 96 DPI exactly as designed.
#pragma once

#include <windows.h>

namespace radu::ui {

class DpiScale {
  public:
    static constexpr UINT kDesignDpi = 96;

    explicit DpiScale(UINT windowDpi = kDesignDpi) : dpi(windowDpi != 0 ? windowDpi : kDesignDpi) {}

    UINT Dpi() const { return dpi; }
    bool IsDesignSize() const { return dpi == kDesignDpi; }
    // A length in logical pixels, scaled and rounded to the nearest device pixel.
    int operator()(int logical) const { return ::MulDiv(logical, static_cast<int>(dpi), kDesignDpi); }
    // A rectangle: its corner and its size are scaled each on their own, so that controls of one size
    // stay of one size wherever they are, and a picture made at the scaled size fits its control.
    RECT Rect(const RECT& logical) const;

  private:
    UINT dpi;
};

// The DPI of the monitor that shows `window` as the system reports it to a DPI-aware program (older
// systems without per-window DPI: the screen's). 96 when nothing can be learnt.
UINT WindowDpi(HWND window);

// Stops the system's own rescaling of a dialog made from a template when it moves to a monitor of another
// DPI: the window rescales itself. Does nothing where the system does not rescale dialogs.
void TakeOverDialogScaling(HWND dialog);

}  // namespace radu::ui
