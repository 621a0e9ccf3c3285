#include "ui/capture_background.h"

#include "common/device_context.h"
#include "common/unique_handle.h"

namespace radu::ui {

bool CaptureBackground(HWND control, HWND skinParent, CapturedBackground& out) {
    out.Reset();
    if (control == nullptr || skinParent == nullptr)
        return false;

    RECT parentRect, controlRect;
    if (!::GetWindowRect(skinParent, &parentRect) || !::GetWindowRect(control, &controlRect))
        return false;
    const int width = controlRect.right - controlRect.left;
    const int height = controlRect.bottom - controlRect.top;
    if (width <= 0 || height <= 0)
        return false;

    radu::UniqueGdiObject blockBitmap;
    {
        radu::WindowDc parentDc = radu::WindowDc::Whole(skinParent);
        if (parentDc.get() == nullptr)
            return false;
        radu::UniqueGdiObject wholeBitmap(::CreateCompatibleBitmap(
            parentDc.get(), parentRect.right - parentRect.left, parentRect.bottom - parentRect.top));
        blockBitmap.reset(::CreateCompatibleBitmap(parentDc.get(), width, height));
        // Each bitmap is selected into a memory device context of its own, and out again before the
        // context is deleted (declared after it) and before the bitmap is (declared before it).
        radu::UniqueMemoryDc whole(::CreateCompatibleDC(parentDc.get()));
        radu::UniqueMemoryDc block(::CreateCompatibleDC(parentDc.get()));
        radu::SelectedObject wholeSelected(whole.get(), wholeBitmap.get());
        radu::SelectedObject blockSelected(block.get(), blockBitmap.get());
        if (!wholeSelected || !blockSelected)
            return false;

        // The parent paints its skin (never its children) into the memory device context.
        ::SendMessageW(skinParent, WM_PAINT, reinterpret_cast<WPARAM>(whole.get()),
                       PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);

        ::MapWindowPoints(HWND_DESKTOP, skinParent, reinterpret_cast<POINT*>(&controlRect), 2);
        ::BitBlt(block.get(), 0, 0, width, height, whole.get(), controlRect.left, controlRect.top, SRCCOPY);
    }  // the block bitmap is selected out of its device context here

    // FromHBITMAP copies the pixels, so the GDI bitmap is deleted on return.
    out.bitmap.reset(Gdiplus::Bitmap::FromHBITMAP(static_cast<HBITMAP>(blockBitmap.get()), nullptr));
    if (!out.bitmap || out.bitmap->GetLastStatus() != Gdiplus::Ok) {
        out.Reset();
        return false;
    }
    out.brush.reset(new Gdiplus::TextureBrush(out.bitmap.get(), Gdiplus::WrapModeTile));
    if (out.brush->GetLastStatus() != Gdiplus::Ok) {
        out.Reset();
        return false;
    }
    return true;
}

}  // namespace radu::ui
