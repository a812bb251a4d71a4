// Painting of the sign-in page: composed in the back buffer, then copied to
// the screen in one piece (or in four bands around the live preview).
#include "VelmoDlg.h"

BOOL CVelmoDlg::OnEraseBackground(HDC hdc) {
    RECT rcWindow;
    ::GetWindowRect(m_hWnd, &rcWindow);
    if (hdc && m_bmpBackBuffer.GetSafeHandle()) {
        const SIZE size = m_bmpBackBuffer.GetSize();
        const CMemoryDC memDC(hdc, m_bmpBackBuffer.GetSafeHandle());
        ::StretchBlt(hdc, rcWindow.left, rcWindow.top, rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top,
                     memDC.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    }
    CGpGraphics graphics(hdc);
    graphics.DrawStretched(m_pPageImage, m_rcScreen);
    return TRUE;
}

void CVelmoDlg::PaintIcon() {
    CPaintDC dc(m_hWnd);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon);
}

void CVelmoDlg::ComposePage(HDC hdcBuffer) {
    {
        CGpGraphics graphics(hdcBuffer);
        graphics.DrawStretched(m_pPageImage, m_rcScreen);
    }
    // the same bitmap the record takes, drawn the same way
    m_camera.PaintPhoto(hdcBuffer);
    CGpGraphics graphics(hdcBuffer);
    graphics.DrawStretched(m_pShadeImage, m_rcPressed);
}

// The pad shows its own frame and is never painted over.
void CVelmoDlg::CopyToScreen(HDC hdc, HDC hdcBuffer) {
    ::ExcludeClipRect(hdc, m_rcPad.left, m_rcPad.top, m_rcPad.right, m_rcPad.bottom);
    if (!m_camera.IsLive()) {
        m_camera.HidePreviewFrame();
        ::BitBlt(hdc, 0, 0, m_rcScreen.right, m_rcScreen.bottom, hdcBuffer, 0, 0, SRCCOPY);
        return;
    }
    // the live video keeps the photo area
    const BlitBands bands = ComputeBlitBands(m_rcScreen.right, m_rcScreen.bottom, ToLayoutRect(m_camera.PhotoRect()));
    for (const LayoutRect& band : {bands.above, bands.left, bands.below, bands.right})
        ::BitBlt(hdc, band.left, band.top, band.Width(), band.Height(), hdcBuffer, band.left, band.top, SRCCOPY);
}

void CVelmoDlg::OnPaint() {
    if (::IsIconic(m_hWnd)) {
        PaintIcon();
        return;
    }
    {
        CPaintDC validate(m_hWnd); // begins and ends painting; erasing happens here
    }
    if (!m_bmpBackBuffer.GetSafeHandle())
        return;
    CClientDC dc(m_hWnd);
    const CMemoryDC memDC(dc.Get(), m_bmpBackBuffer.GetSafeHandle());
    ComposePage(memDC.Get());
    CopyToScreen(dc.Get(), memDC.Get());
}

HCURSOR CVelmoDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}
