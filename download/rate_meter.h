// Transfer rate over 4-second windows: the rate of the last closed window, in bytes per second.
#pragma once

#include <windows.h>

#include <cstdint>

namespace radu {

class TransferRateMeter {
  public:
    void Add(uint32_t bytes) { Add(bytes, ::GetTickCount()); }
    uint32_t GetSpeed() { return GetSpeed(::GetTickCount()); }

    // The same with the tick count given, for callers that already have it (and for tests).
    void Add(uint32_t bytes, DWORD now);
    uint32_t GetSpeed(DWORD now);

  private:
    static constexpr DWORD kWindowMs = 4000;
    uint64_t total = 0;
    DWORD windowStart = 0;
    uint32_t windowBytes = 0;
    uint32_t rate = 0;
};

}  // namespace radu
