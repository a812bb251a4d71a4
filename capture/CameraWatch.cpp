#include "capture/CameraWatch.h"

#include <algorithm>

CameraStep CCameraWatch::Lose(uint64_t nNow) {
    if (m_state == CameraState::Lost)
        return CameraStep::None;
    if (m_state == CameraState::Live) {
        m_nLostAt = nNow;
        m_nFailedLooks = 0;
    }
    m_state = CameraState::Lost;
    m_nDue = nNow + kFirstLookMs;
    return CameraStep::TearDown;
}

CameraStep CCameraWatch::OnGraphLost(uint64_t nNow) {
    return Lose(nNow);
}

CameraStep CCameraWatch::OnDeviceChange(uint64_t nNow, bool bPresent) {
    if (!bPresent)
        return Lose(nNow);
    if (m_state == CameraState::Lost) {
        m_state = CameraState::Rebuilding;
        m_nDue = nNow + kSettleMs;
    }
    // already rebuilding: a repeated announcement does not put the rebuild off
    return CameraStep::None;
}

CameraStep CCameraWatch::OnSuspend(uint64_t nNow) {
    return Lose(nNow);
}

void CCameraWatch::OnResume(uint64_t nNow) {
    if (m_state == CameraState::Live)
        m_nLostAt = nNow;
    m_state = CameraState::Rebuilding;
    m_nDue = nNow;
}

void CCameraWatch::OnRebuilt(uint64_t nNow, RebuildResult result) {
    if (result == RebuildResult::Back) {
        m_state = CameraState::Live;
        m_nFailedLooks = 0;
        return;
    }
    m_state = CameraState::Lost;
    m_nFailedLooks = std::min(m_nFailedLooks + 1, 16u);
    const uint64_t nCap = result == RebuildResult::Failed ? kFailedLookMs : kUnlistedLookMs;
    m_nDue = nNow + std::min(kFirstLookMs << m_nFailedLooks, nCap);
}

int64_t CCameraWatch::MsUntilDue(uint64_t nNow) const {
    if (m_state == CameraState::Live)
        return -1;
    return nNow >= m_nDue ? 0 : static_cast<int64_t>(m_nDue - nNow);
}
