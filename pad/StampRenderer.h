// OpenGL side of the pad: pixel format, the brush texture, drawing stamps,
// and reading finished frames back into a DIB section that GDI presents.
// Everything here needs the pad's rendering context to be current.
#pragma once

#include <windows.h>

#include <GL/gl.h>

#include <cstdint>
#include <span>
#include <vector>

#include "framework/Gdi.h"
#include "pad/BrushImage.h"
#include "pad/StrokeModel.h"

// Chooses the pad's pixel format (format 1 when none matches) and sets it on
// the DC; false when the DC can have none.
bool SetupPadPixelFormat(HDC hdc, int& nPixelFormat);

// The drawable of the pad's rendering context: a hidden child window of the
// pad's size. The pad itself keeps no pixel format, because a window with one
// may show only its OpenGL surface (under Wine a child's stays black) and
// none of the GDI output that presents the frame.
class CRenderSurface {
public:
    CRenderSurface() = default;
    ~CRenderSurface() { Destroy(); }
    CRenderSurface(const CRenderSurface&) = delete;
    CRenderSurface& operator=(const CRenderSurface&) = delete;
    CRenderSurface& operator=(CRenderSurface&& other) noexcept;

    // A drawable does not follow a later change of its window's size on
    // every platform, so a new size means a new surface.
    bool Create(HWND hParent, int cx, int cy);
    void Destroy();
    // The window's own DC (its class has CS_OWNDC), valid until Destroy.
    HDC GetDC() const { return m_hDC; }

private:
    HWND m_hWnd = nullptr;
    HDC m_hDC = nullptr;
};

// A 32-bit top-down DIB section: the pad's last presented frame.
class CFrameDib {
public:
    bool Create(int cx, int cy);
    void FillWhite();
    void Reset();

    HBITMAP Get() const { return m_bmp.Get(); }
    int Width() const { return m_cx; }
    int Height() const { return m_cy; }
    // Row y counted from the top; pixels are blue, green, red, unused.
    uint32_t* Row(int y) const { return m_pBits + static_cast<size_t>(y) * m_cx; }
    bool IsEmpty() const { return !m_pBits; }
    // Copies the frame to hdc at (0, 0); white when there is no frame.
    void Present(HDC hdc, int cx, int cy) const;

private:
    CBitmapHandle m_bmp;
    uint32_t* m_pBits = nullptr;
    int m_cx = 0;
    int m_cy = 0;
};

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
