#include "IdleHandlers.h"

#include <algorithm>

void CIdleHandlers::Add(CIdleHandler& handler) {
    m_handlers.push_back(&handler);
}

void CIdleHandlers::Remove(CIdleHandler& handler) {
    const auto it = std::find(m_handlers.begin(), m_handlers.end(), &handler);
    if (it == m_handlers.end())
        return;
    if (m_bRunning) {
        *it = nullptr; // the running pass holds positions; compacted after it
        return;
    }
    const size_t at = static_cast<size_t>(it - m_handlers.begin());
    m_handlers.erase(it);
    if (at < m_nNext)
        --m_nNext;
}

uint32_t CIdleHandlers::Run() {
    if (m_bRunning)
        return kIdleDone;
    m_bRunning = true;
    uint32_t nWait = kIdleDone;
    const size_t n = m_handlers.size(); // handlers added meanwhile wait for the next pass
    for (size_t i = 0; i < n; ++i) {
        const size_t at = (m_nNext + i) % n;
        CIdleHandler* pHandler = m_handlers[at];
        if (!pHandler)
            continue;
        const uint32_t nAsked = pHandler->OnIdle();
        if (nAsked == 0) {
            m_nNext = at + 1;
            nWait = 0;
            break;
        }
        nWait = std::min(nWait, nAsked);
    }
    m_bRunning = false;
    for (size_t at = m_handlers.size(); at-- > 0;) {
        if (!m_handlers[at]) {
            m_handlers.erase(m_handlers.begin() + static_cast<std::ptrdiff_t>(at));
            if (at < m_nNext)
                --m_nNext;
        }
    }
    return nWait;
}

CIdleHandlers& UiIdleHandlers() {
    static CIdleHandlers s_handlers;
    return s_handlers;
}
