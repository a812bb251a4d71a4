#include "popup/Backdrop.h"

#include <algorithm>
#include <utility>

void CBackdrop::Keep(const LayoutRect& rcBand, std::vector<uint32_t> pixels) {
    const bool bWhole = rcBand.Width() > 0 && rcBand.Height() > 0 &&
                        pixels.size() == static_cast<size_t>(rcBand.Width()) * rcBand.Height();
    m_rcBand = bWhole ? rcBand : LayoutRect{};
    m_pixels = bWhole ? std::move(pixels) : std::vector<uint32_t>{};
}

void CBackdrop::Forget() {
    Keep({}, {});
}

bool CBackdrop::Holds(const LayoutRect& rc) const {
    return !m_pixels.empty() && rc.Width() > 0 && rc.Height() > 0 && rc.left >= m_rcBand.left &&
           rc.top >= m_rcBand.top && rc.right <= m_rcBand.right && rc.bottom <= m_rcBand.bottom;
}

bool CBackdrop::IsFreshAround(const LayoutRect& rcLauncher, const LayoutRect& rcBand,
                              const std::vector<uint32_t>& now) const {
    if (!(rcBand == m_rcBand) || now.size() != m_pixels.size() || !Holds(rcLauncher))
        return false;
    const LayoutRect ring{
        std::max(rcLauncher.left - kRing, m_rcBand.left), std::max(rcLauncher.top - kRing, m_rcBand.top),
        std::min(rcLauncher.right + kRing, m_rcBand.right), std::min(rcLauncher.bottom + kRing, m_rcBand.bottom)};
    size_t nCompared = 0;
    for (int32_t y = ring.top; y < ring.bottom; ++y) {
        for (int32_t x = ring.left; x < ring.right; ++x) {
            if (rcLauncher.Contains(x, y))
                continue;
            const size_t at = static_cast<size_t>(y - m_rcBand.top) * m_rcBand.Width() + (x - m_rcBand.left);
            if (now[at] != m_pixels[at])
                return false;
            ++nCompared;
        }
    }
    return nCompared > 0;
}

std::vector<uint32_t> CBackdrop::Under(const LayoutRect& rc) const {
    std::vector<uint32_t> pixels;
    if (!Holds(rc))
        return pixels;
    pixels.reserve(static_cast<size_t>(rc.Width()) * rc.Height());
    for (int32_t y = rc.top; y < rc.bottom; ++y) {
        const auto row = m_pixels.begin() + static_cast<std::ptrdiff_t>(y - m_rcBand.top) * m_rcBand.Width();
        pixels.insert(pixels.end(), row + (rc.left - m_rcBand.left), row + (rc.right - m_rcBand.left));
    }
    return pixels;
}
