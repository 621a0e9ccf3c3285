// Device contexts that belong to a window, and objects selected into a device context for a while. Each
// pairs its acquiring call with the one that undoes it; memory device contexts are UniqueMemoryDc.
#pragma once

#include <windows.h>

namespace radu {

// GetDC or GetWindowDC, released with ReleaseDC, which needs the same window (null: the screen).
class WindowDc {
  public:
    static WindowDc Client(HWND window) { return WindowDc(window, ::GetDC(window)); }
    static WindowDc Whole(HWND window) { return WindowDc(window, ::GetWindowDC(window)); }
    ~WindowDc() {
        if (dc_ != nullptr)
            ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    HWND window_;
    HDC dc_;
};

// What a WM_PAINT handler draws into: the device context handed over in wParam when there is one (the
// caller keeps it), else BeginPaint's, ended with EndPaint.
class PaintDc {
  public:
    PaintDc(HWND window, HDC given)
        : window_(window), began_(given == nullptr), dc_(began_ ? ::BeginPaint(window, &paint_) : given) {}
    ~PaintDc() {
        if (began_)
            ::EndPaint(window_, &paint_);
    }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    bool began_;
    HDC dc_;
};

// Selects an object into a device context and selects the previous one back on leaving. False when there
// was no device context or object, or the selection failed: then nothing is restored.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc != nullptr && object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (*this)
            ::SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    explicit operator bool() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace radu
