// Window messages that the install's worker side posts to the installer window (always posted, never
// sent).
#pragma once

#include <windows.h>

namespace radu {

constexpr UINT WM_UNPACK_BEGIN = 10001;       // after a successful download; 0, 0
constexpr UINT WM_DOWNLOAD_FAILED = 10002;    // 7, 0
constexpr UINT WM_INSTALL_DONE = 10003;       // 0, 0
constexpr UINT WM_DOWNLOAD_PROGRESS = 10010;  // percent 0..100, 0
constexpr UINT WM_UNPACK_FAILED = 11110;      // failure stage, 0
constexpr UINT WM_UNPACK_PROGRESS = 11111;    // index of the entry about to be unpacked, entry count
constexpr UINT WM_UNPACK_DONE = 11112;        // 0, 0

}  // namespace radu
