// OpenGL side of the pad: the brush texture, drawing stamps, and reading
// finished frames back into the frame that GDI presents.
// Everything here needs the pad's rendering context to be current.
#pragma once

#include <windows.h>

#include <GL/gl.h>

#include <cstdint>
#include <span>
#include <vector>

#include "pad/BrushImage.h"
#include "pad/FrameDib.h"
#include "pad/StrokeModel.h"

class CStampRenderer {
public:
    // The projection of the pad: origin at the centre, one unit per pixel.
    void Resize(int cx, int cy);
    // Builds the mipmapped brush texture.
    void LoadTexture(const CBrushImage& image);

    // Every stamp redrawn from black, inverted by GL and read back whole.
    // False when nothing could be read back: the frame is then unchanged.
    bool RenderFull(std::span<const StrokePoint> stamps, CFrameDib& frame);
    // Only the given stamps, drawn from black and subtracted from the ink in
    // frame; saturating addition makes the result equal to a full redraw.
    // False when they could not be read back: the frame is then unchanged,
    // and the same stamps must be offered again.
    bool AddStamps(std::span<const StrokePoint> stamps, CFrameDib& frame);

    GLuint Texture() const { return m_texture; }

private:
    struct PixelRect {
        int x, y, cx, cy; // GL window coordinates, y from the bottom
    };
    void DrawStamps(std::span<const StrokePoint> stamps) const;
    PixelRect BoundsOf(std::span<const StrokePoint> stamps) const;
    bool ReadBack(const PixelRect& rc);

    GLuint m_texture = 0;
    int m_cx = 0;
    int m_cy = 0;
    std::vector<uint32_t> m_readBuffer;
};
