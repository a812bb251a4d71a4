#include "LeaveWatch.h"

#include <cstddef>
#include <utility>

void CLeaveWatch::Start(uint32_t nowMs, std::vector<uint32_t> shown) {
    m_bWatching = true;
    m_nStartMs = nowMs;
    m_bLooked = false;
    m_bLeft = false;
    m_shown = std::move(shown);
    m_last.clear();
}

uint32_t CLeaveWatch::DueInMs(uint32_t nowMs) const {
    if (!m_bLooked)
        return 0;
    const uint32_t nSince = nowMs - m_nLastLookMs; // unsigned: right across the tick count's wrap
    return nSince >= kPollMs ? 0 : kPollMs - nSince;
}

bool CLeaveWatch::Look(uint32_t nowMs, std::vector<uint32_t> pixels) {
    m_bLooked = true;
    m_nLastLookMs = nowMs;
    bool bLeft = false;
    if (!m_shown.empty() && pixels.size() == m_shown.size()) {
        size_t nChanged = 0;
        for (size_t i = 0; i < pixels.size(); ++i)
            nChanged += pixels[i] != m_shown[i];
        bLeft = nChanged * 2 >= pixels.size() && pixels == m_last;
    }
    m_last = std::move(pixels);
    m_bLeft = bLeft;
    if (bLeft || nowMs - m_nStartMs >= kMaxWaitMs)
        m_bWatching = false;
    return !m_bWatching;
}
