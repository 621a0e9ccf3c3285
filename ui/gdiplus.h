// GDI+ for the skinned interface: the system headers in the order they need, and ownership of GDI+
// objects (they come from GDI+'s own allocator, which `delete` reaches through GdiplusBase).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

namespace radu::ui {

template <typename T>
using GdiPtr = std::unique_ptr<T>;

// 0x00BBGGRR to an opaque GDI+ colour.
inline Gdiplus::Color OpaqueColor(COLORREF c) {
    return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace radu::ui
