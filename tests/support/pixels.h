// Pixels read back from whatever a test draws into a 32-bit top-down bitmap.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace radu::test {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> rgb;  // 0x00RRGGBB, row by row
    DWORD at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Runs draw on a memory device context holding a width x height bitmap and returns its pixels.
Pixels ReadPixels(int width, int height, const std::function<void(HDC)>& draw);

}  // namespace radu::test
