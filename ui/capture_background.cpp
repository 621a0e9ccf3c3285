#include "ui/capture_background.h"

#include "common/unique_handle.h"

namespace radu::ui {
namespace {

// A window device context, released with its window.
class WindowDc {
  public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetWindowDC(hwnd)) {}
    ~WindowDc() {
        if (dc_ != nullptr)
            ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// A memory device context with `bitmap` selected into it for its lifetime.
class MemoryDc {
  public:
    MemoryDc(HDC compatible, HBITMAP bitmap) : dc_(::CreateCompatibleDC(compatible)) {
        if (dc_ != nullptr && bitmap != nullptr)
            old_ = ::SelectObject(dc_, bitmap);
    }
    ~MemoryDc() {
        if (dc_ == nullptr)
            return;
        if (old_ != nullptr)
            ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    bool ok() const { return dc_ != nullptr && old_ != nullptr; }
    HDC dc() const { return dc_; }

  private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace

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
        WindowDc parentDc(skinParent);
        if (parentDc.get() == nullptr)
            return false;
        radu::UniqueGdiObject wholeBitmap(::CreateCompatibleBitmap(
            parentDc.get(), parentRect.right - parentRect.left, parentRect.bottom - parentRect.top));
        blockBitmap.reset(::CreateCompatibleBitmap(parentDc.get(), width, height));
        MemoryDc whole(parentDc.get(), static_cast<HBITMAP>(wholeBitmap.get()));
        MemoryDc block(parentDc.get(), static_cast<HBITMAP>(blockBitmap.get()));
        if (!whole.ok() || !block.ok())
            return false;

        // The parent paints its skin (never its children) into the memory device context.
        ::SendMessageW(skinParent, WM_PAINT, reinterpret_cast<WPARAM>(whole.dc()),
                       PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);

        ::MapWindowPoints(HWND_DESKTOP, skinParent, reinterpret_cast<POINT*>(&controlRect), 2);
        ::BitBlt(block.dc(), 0, 0, width, height, whole.dc(), controlRect.left, controlRect.top, SRCCOPY);
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
