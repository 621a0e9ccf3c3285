// Skin pictures: PNG files kept as resources of type "PNG" (or image files), decoded by GDI+.
#pragma once

#include "ui/dpi_scale.h"
#include "ui/gdiplus.h"

namespace radu::ui {

// `name` is a resource ID (MAKEINTRESOURCEW) of `type` in `module` (null: the program), or else an image
// file's path. Null when the resource or file is missing or cannot be decoded.
GdiPtr<Gdiplus::Image> LoadSkinImage(const wchar_t* name, const wchar_t* type, HMODULE module = nullptr);

// Slot form: the picture held in `slot` is destroyed first and the new one (or null) stored there.
bool LoadSkinImage(GdiPtr<Gdiplus::Image>& slot, const wchar_t* name, const wchar_t* type,
                   HMODULE module = nullptr);

// Every skin picture is kept twice: drawn for 96 DPI under its number, and twice as large under its
// number plus this offset.
constexpr int kDoubleSizeOffset = 2000;

// Skin picture `resourceId` ("PNG") for a window at `scale`: at 96 and 192 DPI the drawing made for that
// size as it is; at any other scale the nearest drawing at or above it (the double size, or the single
// size below 96 DPI), resampled with high quality to the logical size times the scale. A strip of
// `frames` equally wide frames is resampled frame by frame, so that no frame bleeds into its neighbour.
// Falls back to the other drawing when one is missing; null when both are.
GdiPtr<Gdiplus::Image> LoadScaledSkin(int resourceId, const DpiScale& scale, int frames = 1);

}  // namespace radu::ui
