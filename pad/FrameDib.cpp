#include "FrameDib.h"

#include <algorithm>

#include "framework/Gdi.h"

bool CFrameDib::Create(int cx, int cy) {
    Reset();
    if (cx <= 0 || cy <= 0)
        return false;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy; // top-down: row 0 is the top of the pad
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    m_bmp.Reset(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!m_bmp || !pBits) {
        m_bmp.Reset();
        return false;
    }
    m_pBits = static_cast<uint32_t*>(pBits);
    m_cx = cx;
    m_cy = cy;
    FillWhite();
    return true;
}

void CFrameDib::FillWhite() {
    if (m_pBits)
        std::fill(m_pBits, m_pBits + static_cast<size_t>(m_cx) * m_cy, 0x00FFFFFFu);
}

void CFrameDib::Reset() {
    m_bmp.Reset();
    m_pBits = nullptr;
    m_cx = m_cy = 0;
}

void CFrameDib::Present(HDC hdc, int cx, int cy) const {
    if (!m_pBits) {
        const RECT rc{0, 0, cx, cy};
        ::FillRect(hdc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        return;
    }
    ::GdiFlush(); // the bits were written by the CPU behind GDI's back
    const CMemoryDC memDC(hdc, m_bmp.Get());
    ::BitBlt(hdc, 0, 0, m_cx, m_cy, memDC.Get(), 0, 0, SRCCOPY);
}
