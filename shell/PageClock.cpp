#include "shell/PageClock.h"

bool CPageClock::AcceptSave(uint32_t dwNow) {
    // unsigned: the difference is right across the tick count's wrap
    if (m_dwLastSaveTick && dwNow - *m_dwLastSaveTick < 1000)
        return false;
    m_dwLastSaveTick = dwNow;
    return true;
}
