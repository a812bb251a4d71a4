#include "shell/PageClock.h"

#include <cstdlib>

bool CPageClock::MaySave(uint32_t dwNow) const {
    // unsigned: the difference is right across the tick count's wrap
    return !m_dwLastSaveTick || dwNow - *m_dwLastSaveTick >= 1000;
}

bool CPageClock::IsSecondTap(uint32_t dwNow, int32_t x, int32_t y, const DoubleTapRule& rule) {
    const bool bSecond = m_lastTap && dwNow - m_lastTap->dwTick < rule.nMaxMs &&
                         std::abs(x - m_lastTap->x) <= rule.cx / 2 && std::abs(y - m_lastTap->y) <= rule.cy / 2;
    if (bSecond)
        m_lastTap.reset();
    else
        m_lastTap = Tap{dwNow, x, y};
    return bSecond;
}
