// Parts: extract_package.cpp.
// Unpacking the product package into the install folder, reported to a window by posted messages.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

namespace radu {

constexpr UINT WM_UNPACK_FAILED = 11110;    // wParam: failure stage 1 to 5; after the error box
constexpr UINT WM_UNPACK_PROGRESS = 11111;  // wParam: index of the entry about to be unpacked; lParam: count
constexpr UINT WM_UNPACK_DONE = 11112;      // once at the end, after success and after every failure

// Shows one of the extractor's error boxes and returns once it has been dismissed. The installer shows
// real message boxes; a console tool or a test can take the texts instead.
class IExtractErrorBox {
  public:
    virtual void Show(HWND owner, const wchar_t* text) = 0;

  protected:
    ~IExtractErrorBox() = default;
};

// Unpacks every entry of the archive below destinationFolder, posting WM_UNPACK_PROGRESS before each entry,
// WM_UNPACK_FAILED when it gives up and WM_UNPACK_DONE at the end to window. Error boxes are owned by
// window, carry the system's default caption and an OK button only; errorBox nullptr shows them with
// MessageBoxW. Always returns true: the outcome is told by the messages.
bool extractPackage(const wchar_t* archivePath, const wchar_t* destinationFolder, HWND window,
                    IExtractErrorBox* errorBox = nullptr);
// The same for an archive the caller holds open for reading: it is read through that handle only (never
// opened again by name), and the handle is closed once the archive is done with, before WM_UNPACK_DONE.
bool extractPackage(UniqueFileHandle archive, const wchar_t* destinationFolder, HWND window,
                    IExtractErrorBox* errorBox = nullptr);

}  // namespace radu
