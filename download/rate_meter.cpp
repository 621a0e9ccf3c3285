#include "download/rate_meter.h"

namespace radu {

void TransferRateMeter::Add(uint32_t bytes, DWORD now) {
    if (total == 0)
        windowStart = now;
    total += bytes;
    windowBytes += bytes;
    DWORD elapsed = now - windowStart;  // tick counts wrap; the difference does not mind
    if (elapsed >= kWindowMs) {
        rate = windowBytes / (elapsed / 1000);  // whole seconds
        windowBytes = 0;
        windowStart = now;
    }
}

uint32_t TransferRateMeter::GetSpeed(DWORD now) {
    Add(0, now);  // closes a window that is due
    return rate;
}

}  // namespace radu
