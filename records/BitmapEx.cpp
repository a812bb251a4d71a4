#include "BitmapEx.h"

SIZE CBitmapEx::GetSize() const {
    BITMAP bm{};
    if (!m_bitmap || !::GetObjectW(m_bitmap.Get(), sizeof(bm), &bm))
        return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

void CBitmapEx::PaintRect(HDC hdcTarget, const RECT& rc) {
    if (!hdcTarget || !m_bitmap)
        return;
    m_rcLastPaint = rc;
    CDC memDC = CDC::CreateCompatible(hdcTarget);
    CSelectObject select(memDC.Get(), m_bitmap.Get());
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    ::StretchBlt(hdcTarget, rc.left, rc.top, cx, cy, memDC.Get(), rc.left, rc.top, cx, cy, SRCCOPY);
}

BOOL CBitmapEx::CopyScreenRect(const RECT& rc) {
    m_bitmap.Reset();
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return FALSE;
    CDC screenDC = CDC::CreateDisplay();
    CBitmapHandle bitmap(::CreateCompatibleBitmap(screenDC.Get(), cx, cy));
    CDC memDC = CDC::CreateCompatible(screenDC.Get());
    if (!bitmap || !memDC)
        return FALSE;
    {
        CSelectObject select(memDC.Get(), bitmap.Get());
        ::BitBlt(memDC.Get(), 0, 0, cx, cy, screenDC.Get(), rc.left, rc.top, SRCCOPY);
    }
    m_bitmap = std::move(bitmap);
    return TRUE;
}
