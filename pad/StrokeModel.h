// The pad's brush model: pointer input in, brush stamps out. CPaintDlg turns
// its messages into calls here and draws m_points; nothing here needs a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// One brush stamp. The layout is what the renderer hands to glColor3fv and
// glVertex2f, so it stays six packed floats.
struct StrokePoint {
    float x, y;             // centre, origin at the pad's centre, y upwards
    float size;             // half the side of the stamp square, pixels
    float red, green, blue; // pen colour: the complement of the ink
};
static_assert(sizeof(StrokePoint) == 24, "StrokePoint must be six packed floats");

struct StrokePos {
    int x, y; // client pixels
};

struct StrokeColor {
    float red, green, blue;
};

// What a renderer remembers between frames to draw only stamps it has not drawn.
struct StrokeFrameMark {
    uint64_t nGeneration = 0; // clear generation the drawn stamps belong to
    size_t nDrawn = 0;        // how many stamps of that generation are drawn
};

// Stamps made since a mark. The span points into m_points, so it is valid
// only until the next call that adds or removes stamps.
struct StrokeDelta {
    bool bRestart; // the pad was cleared: start from a blank frame
    std::span<const StrokePoint> stamps;
};

class CStrokeModel {
public:
    static constexpr float kPressSize = 1.0f;
    static constexpr float kMinDrawingSize = 2.0f;
    static constexpr float kMaxDrawingSize = 8.0f;

    // Press on the pad: the size restarts at 1. (px, py) is used only when no
    // move has been seen yet, as the start of the first segment.
    void OnLButtonDown(int px, int py);
    void OnLButtonUp();
    // Pointer at client pixel (px, py) on a pad of cx x cy pixels; returns the
    // number of stamps laid.
    size_t OnMouseMove(int px, int py, int cx, int cy);
    // A finger or pen put down at (px, py): the position moves there without
    // ink, since nothing travelled over the pad in between.
    void JumpTo(int px, int py);
    // The 30 ms tick: after a release the size dies away to 0.
    void Decay();
    // colorref: red in the low byte, then green, then blue.
    void SetPenColor(uint32_t colorref);
    // Removes every stamp; the brush, the position and the colour stay.
    void ClearStrokes();

    const std::vector<StrokePoint>& Points() const { return m_points; }
    float BrushSize() const { return m_brushSize; }
    bool IsDrawing() const { return m_bDrawing; }
    bool HasLastPoint() const { return m_bHasLast; }
    StrokePos LastPoint() const { return m_ptLast; }
    StrokeColor PenColor() const { return m_penColor; }
    uint64_t ClearGeneration() const { return m_nGeneration; }

    StrokeFrameMark FrameMark() const { return {m_nGeneration, m_points.size()}; }
    StrokeDelta NewStampsSince(const StrokeFrameMark& mark) const;

private:
    // Appends up to count + 1 stamps; stops early when memory runs out.
    size_t LayStamps(double x0, double y0, double stepX, double stepY, int64_t count);
    void AdaptToSpeed(float dist);

    std::vector<StrokePoint> m_points;
    float m_brushSize = 0.0f;
    bool m_bDrawing = false;
    bool m_bHasLast = false; // m_ptLast holds a real position
    StrokePos m_ptLast{0, 0};
    StrokeColor m_penColor{0.2f, 0.2f, 0.2f};
    uint64_t m_nGeneration = 0; // bumped by every ClearStrokes
};
