// The pad's last presented frame, which GDI puts on the window.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "framework/Gdi.h"

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
