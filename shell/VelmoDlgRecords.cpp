// Saving a sign-in record: the sign area as the visitor saw it, with the
// photo (or the placeholder) stretched into the photo area.
#include "VelmoDlg.h"

#include "framework/Log.h"
#include "records/RecordKeeper.h"
#include "records/SignInRecord.h"

// Tick count of the last accepted save; 0 at start.
DWORD g_dwLastSaveTick = 0;

namespace {

// Copies the whole source bitmap to a rectangle of the target DC.
void StretchInto(HDC hdcTarget, HBITMAP hSource, const RECT& rcTarget) {
    BITMAP bm{};
    if (!hSource || !::GetObjectW(hSource, sizeof(bm), &bm))
        return;
    const CMemoryDC sourceDC(hdcTarget, hSource);
    const int cx = rcTarget.right - rcTarget.left;
    const int cy = rcTarget.bottom - rcTarget.top;
    if (cx == bm.bmWidth && cy == bm.bmHeight) {
        ::BitBlt(hdcTarget, rcTarget.left, rcTarget.top, cx, cy, sourceDC.Get(), 0, 0, SRCCOPY);
        return;
    }
    // a shrunken camera frame looks right only when averaged
    ::SetStretchBltMode(hdcTarget, HALFTONE);
    ::SetBrushOrgEx(hdcTarget, 0, 0, nullptr);
    ::StretchBlt(hdcTarget, rcTarget.left, rcTarget.top, cx, cy, sourceDC.Get(), 0, 0, bm.bmWidth, bm.bmHeight,
                 SRCCOPY);
}

RECT Offset(const RECT& rc, const RECT& origin) {
    return {rc.left - origin.left, rc.top - origin.top, rc.right - origin.left, rc.bottom - origin.top};
}

} // namespace

// The canvas is composed from the parts the screen shows inside the sign
// area, rather than copied from the screen: the pad draws with OpenGL, which
// a screen copy cannot always read.
bool CVelmoDlg::ComposeSignIn(CBitmapEx& canvas) {
    const int cx = m_rcSignCapture.right - m_rcSignCapture.left;
    const int cy = m_rcSignCapture.bottom - m_rcSignCapture.top;
    if (cx <= 0 || cy <= 0 || !m_bmpBackBuffer.GetSafeHandle())
        return false;
    CClientDC screenDC(nullptr);
    CBitmapHandle bitmap(CreateCanvasBitmap(screenDC.Get(), cx, cy));
    {
        const CMemoryDC canvasDC(screenDC.Get(), bitmap.Get());
        if (!bitmap || !canvasDC)
            return false;
        // the page as the main window last painted it
        {
            const CMemoryDC pageDC(screenDC.Get(), m_bmpBackBuffer.GetSafeHandle());
            ::BitBlt(canvasDC.Get(), 0, 0, cx, cy, pageDC.Get(), m_rcSignCapture.left, m_rcSignCapture.top, SRCCOPY);
        }
        // the signature exactly as the pad last showed it
        StretchInto(canvasDC.Get(), m_padDlg.GetLastFrame(), Offset(m_rcPad, m_rcSignCapture));
        // the photo the page shows, or the placeholder while there is none
        CBitmapEx photo;
        const bool bPhotoShown = IsPreviewStopped() && m_bHasCamera == 1 && m_pPhotoImage.Get();
        photo.LoadBmpFile(bPhotoShown ? L"photo.bmp" : L"Picture\\photobk.bmp");
        StretchInto(canvasDC.Get(), photo.GetSafeHandle(), Offset(m_rcPhoto, m_rcSignCapture));
    }
    canvas.Attach(bitmap.Release());
    return true;
}

CVelmoDlg::SaveResult CVelmoDlg::SaveSignIn() {
    const DWORD dwNow = ::GetTickCount();
    // presses within a second of the last accepted save are one press
    if (dwNow - g_dwLastSaveTick < 1000)
        return SaveResult::Ignored;
    g_dwLastSaveTick = dwNow;
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    const RecordTime t{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};

    CBitmapEx canvas;
    std::vector<uint8_t> file;
    if (!ComposeSignIn(canvas) || !canvas.EncodeBmp(file)) {
        LogEvent(L"Save failed: the sign area could not be composed");
        return SaveResult::Failed;
    }
    const std::wstring name = WriteSignInRecord(file, t);
    if (name.empty())
        return SaveResult::Failed;
    LogEvent(L"Saved %ls: %lu bytes in %lu ms", name.c_str(), static_cast<unsigned long>(file.size()),
             ::GetTickCount() - dwNow);
    RecordSaved();
    return SaveResult::Saved;
}
