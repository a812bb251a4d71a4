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
    CGpGraphics graphics(hdcBuffer);
    graphics.DrawStretched(m_pPageImage, m_rcScreen);
    if (IsPreviewStopped() && m_bHasCamera == 1 && m_pPhotoImage.Get())
        graphics.DrawStretched(m_pPhotoImage, m_rcPhoto);
    graphics.DrawStretched(m_pShadeImage, m_rcPressed);
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

    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    if (m_bHasCamera == 1 && !IsPreviewStopped()) {
        const BlitBands bands = ComputeBlitBands(cx, cy, ToLayoutRect(m_rcPhoto));
        for (const LayoutRect& band : {bands.above, bands.left, bands.below, bands.right}) {
            ::BitBlt(dc.Get(), band.left, band.top, band.Width(), band.Height(), memDC.Get(), band.left, band.top,
                     SRCCOPY);
        }
    } else {
        if (::IsWindowVisible(m_previewFrame.m_hWnd))
            m_previewFrame.ShowWindow(SW_HIDE);
        ::BitBlt(dc.Get(), 0, 0, m_rcScreen.right, m_rcScreen.bottom, memDC.Get(), 0, 0, SRCCOPY);
    }
}

HCURSOR CVelmoDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}
