#include "ui/skin_image.h"

#include <cstring>

#include "common/unique_handle.h"

namespace radu::ui {
namespace {

GdiPtr<Gdiplus::Image> FromResource(const wchar_t* name, const wchar_t* type, HMODULE module) {
    if (module == nullptr)
        module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, name, type);
    if (info == nullptr)
        return nullptr;
    const DWORD size = ::SizeofResource(module, info);
    HGLOBAL loaded = ::LoadResource(module, info);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0)
        return nullptr;

    // GDI+ reads from a stream; the stream owns a movable copy of the bytes and frees it on release.
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr)
        return nullptr;
    void* dest = ::GlobalLock(block);
    if (dest == nullptr) {
        ::GlobalFree(block);
        return nullptr;
    }
    std::memcpy(dest, bytes, size);
    ::GlobalUnlock(block);

    radu::UniqueComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(block, TRUE, stream.put()))) {
        ::GlobalFree(block);
        return nullptr;
    }
    // The image keeps its own reference while it needs the data; ours goes on return.
    GdiPtr<Gdiplus::Image> image(Gdiplus::Image::FromStream(stream.get()));
    if (image && image->GetLastStatus() != Gdiplus::Ok)
        image.reset();
    return image;
}

}  // namespace

GdiPtr<Gdiplus::Image> LoadSkinImage(const wchar_t* name, const wchar_t* type, HMODULE module) {
    if (name == nullptr)
        return nullptr;
    if (IS_INTRESOURCE(name))
        return FromResource(name, type, module);
    GdiPtr<Gdiplus::Image> image(Gdiplus::Image::FromFile(name));
    if (image && image->GetLastStatus() != Gdiplus::Ok)
        image.reset();
    return image;
}

bool LoadSkinImage(GdiPtr<Gdiplus::Image>& slot, const wchar_t* name, const wchar_t* type, HMODULE module) {
    slot.reset();
    slot = LoadSkinImage(name, type, module);
    return slot != nullptr;
}

namespace {

GdiPtr<Gdiplus::Image> LoadPng(int resourceId) {
    return LoadSkinImage(MAKEINTRESOURCEW(resourceId), L"PNG");
}

// `source`, drawn with `sourcePerLogical` pixels for each logical pixel, resampled to `scale` frame by
// frame.
GdiPtr<Gdiplus::Image> Resample(Gdiplus::Image& source, int sourcePerLogical, const DpiScale& scale,
                                int frames) {
    const int sourceFrameWidth = static_cast<int>(source.GetWidth()) / frames;
    const int sourceHeight = static_cast<int>(source.GetHeight());
    const int frameWidth = scale(sourceFrameWidth / sourcePerLogical);
    const int height = scale(sourceHeight / sourcePerLogical);
    if (frameWidth <= 0 || height <= 0)
        return nullptr;
    GdiPtr<Gdiplus::Bitmap> scaled(new Gdiplus::Bitmap(frameWidth * frames, height, PixelFormat32bppARGB));
    if (scaled->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    Gdiplus::Graphics g(scaled.get());
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    // Edge pixels are sampled from mirrored copies of the frame, not from transparent black around it.
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    for (int i = 0; i < frames; ++i)
        g.DrawImage(&source, Gdiplus::Rect(i * frameWidth, 0, frameWidth, height), i * sourceFrameWidth, 0,
                    sourceFrameWidth, sourceHeight, Gdiplus::UnitPixel, &edges);
    return GdiPtr<Gdiplus::Image>(scaled.release());
}

}  // namespace

GdiPtr<Gdiplus::Image> LoadScaledSkin(int resourceId, const DpiScale& scale, int frames) {
    if (frames < 1)
        frames = 1;
    const bool doubleFirst = scale.Dpi() > DpiScale::kDesignDpi;
    GdiPtr<Gdiplus::Image> picture = LoadPng(doubleFirst ? resourceId + kDoubleSizeOffset : resourceId);
    bool isDouble = doubleFirst;
    if (!picture) {
        picture = LoadPng(doubleFirst ? resourceId : resourceId + kDoubleSizeOffset);
        isDouble = !doubleFirst;
    }
    if (!picture)
        return nullptr;
    const UINT madeFor = isDouble ? 2 * DpiScale::kDesignDpi : DpiScale::kDesignDpi;
    if (scale.Dpi() == madeFor)
        return picture;
    return Resample(*picture, isDouble ? 2 : 1, scale, frames);
}

}  // namespace radu::ui
