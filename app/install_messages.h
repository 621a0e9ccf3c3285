// Window messages that the install's worker side posts to the installer window (always posted, never
// sent). The extractor's three come with it.
#pragma once

#include <windows.h>

#include "extract/extract.h"

namespace radu {

constexpr UINT WM_UNPACK_BEGIN = 10001;       // after a successful download; 0, 0
constexpr UINT WM_DOWNLOAD_FAILED = 10002;    // 7, 0
constexpr UINT WM_INSTALL_DONE = 10003;       // 0, 0
constexpr UINT WM_DOWNLOAD_PROGRESS = 10010;  // percent 0..100, 0

}  // namespace radu
