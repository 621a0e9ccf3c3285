#include "download/rate_meter.h"

namespace radu {

void TransferRateMeter::Add(uint32_t bytes, DWORD now) {
    if (total_ == 0)
        windowStart_ = now;
    total_ += bytes;
    windowBytes_ += bytes;
    DWORD elapsed = now - windowStart_;  // tick counts wrap; the difference does not mind
    if (elapsed >= kWindowMs) {
        rate_ = windowBytes_ / (elapsed / 1000);  // whole seconds
        windowBytes_ = 0;
        windowStart_ = now;
    }
}

uint32_t TransferRateMeter::GetSpeed(DWORD now) {
    Add(0, now);  // closes a window that is due
    return rate_;
}

}  // namespace radu
