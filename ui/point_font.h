// GDI fonts given in tenths of a point, sized for a window's DPI.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace radu::ui {

// The logical height (negative: a character height) of a font of `tenthsOfPoint` on the screen, for a
// window at `dpi` pixels per inch.
int PointFontHeight(int tenthsOfPoint, UINT dpi);

// A font of `face` at `tenthsOfPoint`, default weight and character set, no italic, underline or
// strike-out. Empty when the system cannot make it.
radu::UniqueGdiObject CreatePointFont(int tenthsOfPoint, const wchar_t* face, UINT dpi);

}  // namespace radu::ui
