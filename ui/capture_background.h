// The skin behind a skinned control: the skin parent paints itself into an off-screen device context and
// the block under the control is kept as a texture brush, which the control fills its pictures with.
#pragma once

#include "ui/gdiplus.h"

namespace radu::ui {

struct CapturedBackground {
    GdiPtr<Gdiplus::Bitmap> bitmap;
    GdiPtr<Gdiplus::TextureBrush> brush;  // tiles `bitmap`

    void Reset() {
        brush.reset();
        bitmap.reset();
    }
};

// Replaces `out` with the block of `skinParent`'s own painting (WM_PAINT with a device context in wParam)
// that lies under `control`. False, with `out` empty, when a window or a GDI object is missing.
bool CaptureBackground(HWND control, HWND skinParent, CapturedBackground& out);

}  // namespace radu::ui
