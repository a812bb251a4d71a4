#include "pad/StrokeModel.h"

#include <cmath>
#include <new>

void CStrokeModel::OnLButtonDown(int px, int py) {
    m_bDrawing = true;
    m_brushSize = kPressSize;
    // A recorded position is kept: the stroke joins on from the last move seen.
    if (!m_bHasLast) {
        m_ptLast = {px, py};
        m_bHasLast = true;
    }
}

void CStrokeModel::OnLButtonUp() {
    m_bDrawing = false;
}

size_t CStrokeModel::OnMouseMove(int px, int py, int cx, int cy) {
    size_t nLaid = 0;
    if (m_brushSize > 0.0f && m_bHasLast) {
        // 64-bit differences so far-apart points cannot overflow
        const float dx = static_cast<float>(int64_t{px} - m_ptLast.x);
        const float dy = static_cast<float>(int64_t{py} - m_ptLast.y);
        const float dist = static_cast<float>(std::sqrt(double{dx} * dx + double{dy} * dy));
        double stepX = 0.0;
        double stepY = 0.0;
        if (dist != 0.0f) {
            stepX = double{dx} / dist;
            stepY = double{dy} / dist;
        }
        const int hw = cx / 2;
        const int hh = cy / 2;
        const double x0 = static_cast<double>(int64_t{m_ptLast.x} - hw);
        const double y0 = static_cast<double>(int64_t{hh} - m_ptLast.y);
        nLaid = LayStamps(x0, y0, stepX, stepY, static_cast<int64_t>(dist));
        if (m_bDrawing)
            AdaptToSpeed(dist);
    }
    m_ptLast = {px, py};
    m_bHasLast = true;
    return nLaid;
}

void CStrokeModel::JumpTo(int px, int py) {
    m_ptLast = {px, py};
    m_bHasLast = true;
}

size_t CStrokeModel::LayStamps(double x0, double y0, double stepX, double stepY, int64_t count) {
    const size_t nBefore = m_points.size();
    try {
        for (int64_t i = 0; i <= count; ++i) {
            const double d = static_cast<double>(i);
            m_points.push_back({static_cast<float>(x0 + d * stepX), static_cast<float>(y0 - d * stepY), m_brushSize,
                                m_penColor.red, m_penColor.green, m_penColor.blue});
        }
    } catch (const std::bad_alloc&) {
        // Keep what fitted; the stroke shows a gap instead of the pad going down.
    }
    return m_points.size() - nBefore;
}

void CStrokeModel::AdaptToSpeed(float dist) {
    // Moves shorter than 5 px grow the brush, longer ones shrink it.
    float size = static_cast<float>(double{m_brushSize} - (double{dist} - 5.0) / 10.0);
    if (size > kMaxDrawingSize)
        size = kMaxDrawingSize;
    if (size < kMinDrawingSize)
        size = kMinDrawingSize;
    m_brushSize = size;
}

void CStrokeModel::Decay() {
    if (m_bDrawing)
        return;
    const double size = m_brushSize;
    const float next = static_cast<float>(size - (size * 0.3 + 1.0));
    m_brushSize = next < 0.0f ? 0.0f : next;
}

void CStrokeModel::SetPenColor(uint32_t colorref) {
    const uint32_t r = colorref & 0xFF;
    const uint32_t g = (colorref >> 8) & 0xFF;
    const uint32_t b = (colorref >> 16) & 0xFF;
    m_penColor = {static_cast<float>(1.0 - r / 255.0), static_cast<float>(1.0 - g / 255.0),
                  static_cast<float>(1.0 - b / 255.0)};
}

void CStrokeModel::ClearStrokes() {
    // clear() keeps the capacity: the next signature reuses the buffer.
    m_points.clear();
    ++m_nGeneration;
}

StrokeDelta CStrokeModel::NewStampsSince(const StrokeFrameMark& mark) const {
    const std::span<const StrokePoint> all(m_points);
    if (mark.nGeneration != m_nGeneration || mark.nDrawn > all.size())
        return {true, all};
    return {false, all.subspan(mark.nDrawn)};
}
