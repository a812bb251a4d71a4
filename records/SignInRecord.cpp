#include "SignInRecord.h"

#include "framework/FileIo.h"
#include "framework/Log.h"

namespace {

constexpr int kMaxCopiesPerSecond = 1000;

RECT Offset(const RECT& rc, const RECT& origin) {
    return {rc.left - origin.left, rc.top - origin.top, rc.right - origin.left, rc.bottom - origin.top};
}

} // namespace

void StretchBitmap(HDC hdcTarget, HBITMAP hSource, const RECT& rcTarget) {
    BITMAP bm{};
    if (!hSource || !::GetObjectW(hSource, sizeof(bm), &bm))
        return;
    CMemoryDC sourceDC(hdcTarget, hSource);
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

bool ComposeSignIn(const SignInParts& parts, CBitmapEx& canvas) {
    const RECT& rcArea = parts.rcSignCapture;
    const int cx = rcArea.right - rcArea.left;
    const int cy = rcArea.bottom - rcArea.top;
    if (cx <= 0 || cy <= 0 || !parts.hPage)
        return false;
    CClientDC screenDC(nullptr);
    CBitmapHandle bitmap(CreateCanvasBitmap(screenDC.Get(), cx, cy));
    if (!bitmap)
        return false;
    {
        CMemoryDC canvasDC(screenDC.Get(), bitmap.Get());
        if (!canvasDC)
            return false;
        {
            CMemoryDC pageDC(screenDC.Get(), parts.hPage);
            ::BitBlt(canvasDC.Get(), 0, 0, cx, cy, pageDC.Get(), rcArea.left, rcArea.top, SRCCOPY);
        }
        StretchBitmap(canvasDC.Get(), parts.hPad, Offset(parts.rcPad, rcArea));
        StretchBitmap(canvasDC.Get(), parts.hPhoto, Offset(parts.rcPhoto, rcArea));
    }
    canvas.Attach(bitmap.Release());
    return true;
}

std::wstring WriteSignInRecord(const std::vector<uint8_t>& file, const RecordTime& t) {
    if (file.empty())
        return {};
    // an operator may have removed the folder; a record must not vanish for that
    ::CreateDirectoryW(kRecordFolder, nullptr);
    const std::wstring temp = RecordTempFileName(::GetCurrentProcessId());
    if (!WriteFileDurably(temp.c_str(), file)) {
        LogEvent(L"Save failed: %ls could not be written (%ls)", temp.c_str(), DescribeError(::GetLastError()).c_str());
        return {};
    }
    const int nCopy = RenameToFreeName(temp, 1, kMaxCopiesPerSecond, [&](int n) { return RecordFileName(t, n); });
    if (nCopy > 0)
        return RecordFileName(t, nCopy);
    LogEvent(L"Save failed: %ls could not be renamed (%ls)", temp.c_str(), DescribeError(::GetLastError()).c_str());
    ::DeleteFileW(temp.c_str());
    return {};
}
