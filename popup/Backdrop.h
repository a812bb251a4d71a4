// What lies behind the launcher: a copy of a band along the bottom of the
// screen, where the launcher lives, taken while the launcher was not on it.
// At a tap the page's copy of the desktop takes the launcher's own pixels from
// here instead of waiting for the windows behind it to repaint, as long as the
// pixels around the launcher still match the copy, so that it is not stale.
// Needs nothing from the platform.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Geometry.h"

class CBackdrop {
public:
    // How far around the launcher the screen must still match the copy.
    static constexpr int32_t kRing = 8;

    // The band's pixels, rows top to bottom, with where it lies on the screen.
    void Keep(const LayoutRect& rcBand, std::vector<uint32_t> pixels);
    void Forget();
    // Whether the copy holds what lies behind the launcher at rcLauncher: the
    // band lies where it did, and now (its pixels with the launcher on it)
    // shows the same pixels around the launcher as the copy.
    bool IsFreshAround(const LayoutRect& rcLauncher, const LayoutRect& rcBand, const std::vector<uint32_t>& now) const;
    // The copy's pixels under rc, rows top to bottom; empty unless rc lies
    // in the band.
    std::vector<uint32_t> Under(const LayoutRect& rc) const;

private:
    bool Holds(const LayoutRect& rc) const;

    LayoutRect m_rcBand;
    std::vector<uint32_t> m_pixels;
};
