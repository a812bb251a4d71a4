#include "SignInRecord.h"

#include "framework/FileIo.h"
#include "framework/Handle.h"
#include "framework/Log.h"
#include "records/BmpFormat.h"

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

RecordTime LocalRecordTime(const FILETIME& ft) {
    FILETIME ftLocal;
    SYSTEMTIME st{};
    ::FileTimeToLocalFileTime(&ft, &ftLocal);
    ::FileTimeToSystemTime(&ftLocal, &st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

void RecoverStrandedRecords() {
    const std::wstring folder = std::wstring(kRecordFolder) + L"\\";
    std::vector<WIN32_FIND_DATAW> stranded;
    WIN32_FIND_DATAW data;
    CFindHandle find((folder + L"~saving-*.tmp").c_str(), data);
    if (find) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                stranded.push_back(data);
        } while (find.Next(data));
    }
    for (const WIN32_FIND_DATAW& file : stranded) {
        const std::wstring temp = folder + file.cFileName;
        std::vector<uint8_t> bytes;
        const ReadFault fault = ReadWholeFile(temp.c_str(), kBmpMaxFileBytes, bytes);
        if (fault == ReadFault::CannotOpen || fault == ReadFault::ShortRead || fault == ReadFault::OutOfMemory) {
            LogEvent(L"Save cut short: %ls cannot be read (%ls); it is left as it is", temp.c_str(),
                     DescribeError(::GetLastError()).c_str());
            continue;
        }
        if (fault != ReadFault::None || !IsWholeBmpFile(bytes.data(), bytes.size())) {
            ::DeleteFileW(temp.c_str());
            LogEvent(L"Save cut short: removed %ls, a record written only in part", temp.c_str());
            continue;
        }
        const RecordTime t = LocalRecordTime(file.ftLastWriteTime);
        const int nCopy = RenameToFreeName(temp, 1, kMaxCopiesPerSecond, [&](int n) { return RecordFileName(t, n); });
        if (nCopy > 0)
            LogEvent(L"Save cut short: %ls was written whole and is now %ls", temp.c_str(),
                     RecordFileName(t, nCopy).c_str());
        else
            LogEvent(L"Save cut short: %ls could not be given its record name (%ls)", temp.c_str(),
                     DescribeError(::GetLastError()).c_str());
    }
}
