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
        if (deviceContext != nullptr)
            ::ReleaseDC(owner, deviceContext);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return deviceContext; }

  private:
    WindowDc(HWND window, HDC dc) : owner(window), deviceContext(dc) {}
    HWND owner;
    HDC deviceContext;
};

// What a WM_PAINT handler draws into: the device context handed over in wParam when there is one (the
// caller keeps it), else BeginPaint's, ended with EndPaint.
class PaintDc {
  public:
    PaintDc(HWND window, HDC given)
        : owner(window),
          began(given == nullptr),
          deviceContext(began ? ::BeginPaint(window, &paint) : given) {}
    ~PaintDc() {
        if (began)
            ::EndPaint(owner, &paint);
    }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return deviceContext; }

  private:
    HWND owner;
    PAINTSTRUCT paint = {};
    bool began;
    HDC deviceContext;
};

// Selects an object into a device context and selects the previous one back on leaving. False when there
// was no device context or object, or the selection failed: then nothing is restored.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : deviceContext(dc),
          previousObject(dc != nullptr && object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (*this)
            ::SelectObject(deviceContext, previousObject);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    explicit operator bool() const { return previousObject != nullptr && previousObject != HGDI_ERROR; }

  private:
    HDC deviceContext;
    HGDIOBJ previousObject;
};

}  // namespace radu
