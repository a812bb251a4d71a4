// Saving a sign-in record: the sign area as the visitor saw it, with the
// photo (or the placeholder) stretched into the photo area.
#include "VelmoDlg.h"

#include "framework/Log.h"
#include "records/RecordKeeper.h"
#include "records/SignInRecord.h"

CVelmoDlg::SaveResult CVelmoDlg::SaveSignIn() {
    const DWORD dwNow = ::GetTickCount();
    if (!m_clock.MaySave(dwNow))
        return SaveResult::Ignored;
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    const RecordTime t{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};

    // the photo the page shows, or the placeholder while there is none
    CBitmapEx placeholder;
    if (!m_camera.Photo())
        placeholder.LoadBmpFile(L"Picture\\photobk.bmp");
    const SignInParts parts{m_bmpBackBuffer.GetSafeHandle(),
                            m_rcSignCapture,
                            m_padDlg.GetLastFrame(),
                            m_rcPad,
                            m_camera.Photo() ? m_camera.Photo() : placeholder.GetSafeHandle(),
                            m_camera.PhotoRect()};
    CBitmapEx canvas;
    std::vector<uint8_t> file;
    if (!ComposeSignIn(parts, canvas) || !canvas.EncodeBmp(file)) {
        LogEvent(L"Save failed: the sign area could not be composed");
        return DisplayFileBitCount() == 0 ? SaveResult::DisplayTooDeep : SaveResult::Failed;
    }
    const std::wstring name = WriteSignInRecord(file, t);
    if (name.empty())
        return SaveResult::Failed;
    // a press after a failed save tries again, however soon
    m_clock.Saved(dwNow);
    LogEvent(L"Saved %ls: %lu bytes in %lu ms", name.c_str(), static_cast<unsigned long>(file.size()),
             ::GetTickCount() - dwNow);
    RecordSaved();
    return SaveResult::Saved;
}
