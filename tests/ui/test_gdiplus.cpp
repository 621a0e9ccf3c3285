#include "test_gdiplus.h"

#include <gtest/gtest.h>

#include "ui/reflect.h"

namespace radu::test {
namespace {

// GDI+ for the whole test program.
class GdiplusEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }

  private:
    ULONG_PTR token = 0;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

}  // namespace

PaintedWindow::PaintedWindow(int width, int height, COLORREF color, Hook onMessage)
    : fillColor(color), hook(std::move(onMessage)) {
    static const ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &PaintedWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"RaduTestPainted";
        return ::RegisterClassW(&wc);
    }();
    (void)atom;
    RECT rc = {0, 0, width, height};
    ::AdjustWindowRectEx(&rc, WS_POPUP, FALSE, 0);
    window = ::CreateWindowExW(0, L"RaduTestPainted", L"test", WS_POPUP, 40, 40, rc.right - rc.left,
                               rc.bottom - rc.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
}

PaintedWindow::~PaintedWindow() {
    if (window != nullptr)
        ::DestroyWindow(window);
}

LRESULT CALLBACK PaintedWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        ::SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<PaintedWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    if (self->hook && self->hook(hwnd, message, wParam, lParam, result))
        return result;
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC given = reinterpret_cast<HDC>(wParam);
            HDC dc = given != nullptr ? given : ::BeginPaint(hwnd, &ps);
            RECT rc;
            ::GetClientRect(hwnd, &rc);
            HBRUSH brush = ::CreateSolidBrush(self->fillColor);
            ::FillRect(dc, &rc, brush);
            ::DeleteObject(brush);
            if (given == nullptr)
                ::EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            if (ui::ReflectNotifications(hwnd, message, wParam, lParam, result))
                return result;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

Pixels PrintClient(HWND window) {
    RECT rc;
    ::GetClientRect(window, &rc);
    return ReadPixels(rc.right, rc.bottom, [window](HDC dc) {
        ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

DWORD BitmapPixel(Gdiplus::Bitmap& bitmap, int x, int y) {
    Gdiplus::Color c;
    bitmap.GetPixel(x, y, &c);
    return Rgb(c.GetR(), c.GetG(), c.GetB());
}

ui::GdiPtr<Gdiplus::Image> SolidPicture(int width, int height, Gdiplus::Color color) {
    auto* bitmap = new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB);
    Gdiplus::Graphics g(bitmap);
    g.Clear(color);
    return ui::GdiPtr<Gdiplus::Image>(bitmap);
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace radu::test
