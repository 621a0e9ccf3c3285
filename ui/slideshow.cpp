#include "ui/slideshow.h"

namespace radu::ui {

bool Slideshow::Tick(int& picture, int& revealedWidth) {
    ++slideStep;
    if (slideStep > kStepsPerWipe) {
        ++slideHold;
        if (slideHold < kHoldTicks) {
            slideStep = kStepsPerWipe + 1;
            return false;  // holding: nothing new to show
        }
        ++slidePhase;
        slideStep = 0;
        slideHold = 0;
    }
    picture = (slidePhase % 2 != 0) ? 3 : 2;
    revealedWidth = slideStep * kColumnsPerStep;
    return true;
}

}  // namespace radu::ui
