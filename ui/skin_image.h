// Skin pictures: PNG files kept as resources of type "PNG" (or image files), decoded by GDI+.
#pragma once

#include "ui/gdiplus.h"

namespace radu::ui {

// `name` is a resource ID (MAKEINTRESOURCEW) of `type` in `module` (null: the program), or else an image
// file's path. Null when the resource or file is missing or cannot be decoded.
GdiPtr<Gdiplus::Image> LoadSkinImage(const wchar_t* name, const wchar_t* type, HMODULE module = nullptr);

// Slot form: the picture held in `slot` is destroyed first and the new one (or null) stored there.
bool LoadSkinImage(GdiPtr<Gdiplus::Image>& slot, const wchar_t* name, const wchar_t* type,
                   HMODULE module = nullptr);

}  // namespace radu::ui
