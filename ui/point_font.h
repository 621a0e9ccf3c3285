// GDI fonts given in tenths of a point, sized for the screen.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace radu::ui {

// The logical height (negative: a character height) of a font of `tenthsOfPoint` on the screen.
int PointFontHeight(int tenthsOfPoint);

// A font of `face` at `tenthsOfPoint`, default weight and character set, no italic, underline or
// strike-out. Empty when the system cannot make it.
radu::UniqueGdiObject CreatePointFont(int tenthsOfPoint, const wchar_t* face);

}  // namespace radu::ui
