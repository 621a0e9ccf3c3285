// The banner slideshow of the installing page, as counters: on every tick the current banner is revealed
// ten pixel columns further from the left over the previous one; once whole (60 ticks) it stays for 50
// ticks, then the other banner starts its wipe. The two banners alternate, the first one first.
#pragma once

namespace radu::ui {

struct Slideshow {
    static constexpr int kColumnsPerStep = 10;
    static constexpr int kStepsPerWipe = 60;
    static constexpr int kHoldTicks = 50;

    int slideStep = 0;
    int slideHold = 0;
    int slidePhase = 0;

    void Reset() { slideStep = slideHold = slidePhase = 0; }

    // Advances one tick. True when a strip has to be repainted: then `picture` is the slideshow's page
    // picture index (2 or 3) and `revealedWidth` the width of the revealed part from the left edge.
    bool Tick(int& picture, int& revealedWidth);
};

}  // namespace radu::ui
