// The drawable of the pad's rendering context and the pad's pixel format.
#pragma once

#include <windows.h>

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
