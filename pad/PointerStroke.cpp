#include "pad/PointerStroke.h"

#include <algorithm>
#include <cmath>

namespace {

bool Inside(int32_t x, int32_t y, int cx, int cy) {
    return x >= 0 && y >= 0 && x < cx && y < cy;
}

// Where the segment from a to b crosses the pad's edge, a and b on either side
// of it: the last pixel inside on the way out, the first on the way in.
StrokeInput EdgePoint(StrokeInput::Kind kind, int32_t ax, int32_t ay, int32_t bx, int32_t by, int cx, int cy) {
    const bool bLeaving = Inside(ax, ay, cx, cy);
    const int32_t inX = bLeaving ? ax : bx, inY = bLeaving ? ay : by;
    const int32_t outX = bLeaving ? bx : ax, outY = bLeaving ? by : ay;
    // the share of the way from the inside point that stays on the pad
    double t = 1.0;
    const auto clip = [&t](double from, double to, double limit) {
        if (to != from && (to < 0 || to > limit))
            t = std::min(t, ((to < 0 ? 0 : limit) - from) / (to - from));
    };
    clip(inX, outX, cx - 1);
    clip(inY, outY, cy - 1);
    const auto x = static_cast<int32_t>(std::lround(inX + t * (outX - inX)));
    const auto y = static_cast<int32_t>(std::lround(inY + t * (outY - inY)));
    return {kind, std::clamp(x, 0, cx - 1), std::clamp(y, 0, cy - 1)};
}

} // namespace

std::vector<StrokeInput> CPointerStroke::OnDown(uint32_t nPointerId, std::span<const PointerSample> newestFirst, int cx,
                                                int cy) {
    std::vector<StrokeInput> out;
    // a second finger or a palm while a stroke runs is not a stroke of its own
    if (m_bTracking || newestFirst.empty() || newestFirst.front().bCanceled)
        return out;
    const PointerSample& s = newestFirst.front();
    m_bTracking = true;
    m_nPointerId = nPointerId;
    m_nLastFrame = s.nFrame;
    m_nLastX = s.x;
    m_nLastY = s.y;
    m_bOnPad = Inside(s.x, s.y, cx, cy);
    if (m_bOnPad) {
        out.push_back({StrokeInput::Kind::Jump, s.x, s.y});
        out.push_back({StrokeInput::Kind::Press, s.x, s.y});
    }
    return out;
}

std::vector<StrokeInput> CPointerStroke::OnUpdate(uint32_t nPointerId, std::span<const PointerSample> newestFirst,
                                                  int cx, int cy) {
    std::vector<StrokeInput> out;
    if (IsTracking(nPointerId))
        Follow(newestFirst, cx, cy, out);
    return out;
}

std::vector<StrokeInput> CPointerStroke::OnUp(uint32_t nPointerId, std::span<const PointerSample> newestFirst, int cx,
                                              int cy) {
    std::vector<StrokeInput> out;
    if (!IsTracking(nPointerId))
        return out;
    Follow(newestFirst, cx, cy, out);
    End(out);
    return out;
}

std::vector<StrokeInput> CPointerStroke::OnCancel(uint32_t nPointerId) {
    std::vector<StrokeInput> out;
    if (IsTracking(nPointerId))
        End(out);
    return out;
}

void CPointerStroke::Follow(std::span<const PointerSample> newestFirst, int cx, int cy, std::vector<StrokeInput>& out) {
    // ids wrap: what counts is how far each lies beyond the last delivered
    std::vector<PointerSample> fresh;
    for (const PointerSample& s : newestFirst) {
        if (static_cast<int32_t>(s.nFrame - m_nLastFrame) > 0)
            fresh.push_back(s);
    }
    const uint32_t nBase = m_nLastFrame;
    std::stable_sort(fresh.begin(), fresh.end(), [nBase](const PointerSample& a, const PointerSample& b) {
        return a.nFrame - nBase < b.nFrame - nBase;
    });
    for (const PointerSample& s : fresh) {
        if (s.nFrame == m_nLastFrame)
            continue; // the same input twice
        m_nLastFrame = s.nFrame;
        if (s.bCanceled) {
            End(out);
            return;
        }
        const bool bInside = Inside(s.x, s.y, cx, cy);
        if (m_bOnPad && bInside && (s.x != m_nLastX || s.y != m_nLastY)) {
            out.push_back({StrokeInput::Kind::Move, s.x, s.y});
        } else if (m_bOnPad && !bInside) {
            out.push_back(EdgePoint(StrokeInput::Kind::Move, m_nLastX, m_nLastY, s.x, s.y, cx, cy));
            out.push_back({StrokeInput::Kind::Release, 0, 0});
            m_bOnPad = false;
        } else if (!m_bOnPad && bInside) {
            const StrokeInput entry = EdgePoint(StrokeInput::Kind::Jump, m_nLastX, m_nLastY, s.x, s.y, cx, cy);
            out.push_back(entry);
            out.push_back({StrokeInput::Kind::Press, entry.x, entry.y});
            if (entry.x != s.x || entry.y != s.y)
                out.push_back({StrokeInput::Kind::Move, s.x, s.y});
            m_bOnPad = true;
        }
        m_nLastX = s.x;
        m_nLastY = s.y;
    }
}

void CPointerStroke::End(std::vector<StrokeInput>& out) {
    if (m_bOnPad)
        out.push_back({StrokeInput::Kind::Release, 0, 0});
    m_bOnPad = false;
    m_bTracking = false;
}
