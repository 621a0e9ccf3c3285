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

}  // namespace radu::ui
