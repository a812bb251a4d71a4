#include "shell/PageClock.h"

bool CPageClock::MaySave(uint32_t dwNow) const {
    // unsigned: the difference is right across the tick count's wrap
    return !m_dwLastSaveTick || dwNow - *m_dwLastSaveTick >= 1000;
}
