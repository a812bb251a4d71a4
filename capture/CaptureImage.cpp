#include "CaptureImage.h"

#include "framework/Handle.h"
#include "framework/Log.h"

namespace {
const wchar_t kPhotoFile[] = L".\\photo.bmp";

bool WriteAll(HANDLE hFile, const void* pData, DWORD cb) {
    DWORD written = 0;
    return ::WriteFile(hFile, pData, cb, &written, nullptr) && written == cb;
}
} // namespace

void CCaptureImage::OnFrame(LONG lWidth, LONG lHeight, BYTE* pFrame, LONG lLength) {
    const DWORD cbFrame = lLength > 0 ? static_cast<DWORD>(lLength) : 0;
    {
        // others may read the last photo while it is replaced; a file we cannot
        // create drops this frame, and the next one tries again
        CHandle file(::CreateFileW(kPhotoFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file) {
            if (!m_bWriteFailed.exchange(true))
                LogEvent(L"Photo: %ls could not be written (%ls)", kPhotoFile, DescribeError(::GetLastError()).c_str());
            return;
        }

        BITMAPFILEHEADER bfh{};
        bfh.bfType = 0x4D42; // "BM"
        bfh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        bfh.bfSize = bfh.bfOffBits + cbFrame;
        BITMAPINFOHEADER bih{};
        bih.biSize = sizeof(BITMAPINFOHEADER);
        bih.biWidth = lWidth;
        bih.biHeight = lHeight; // as connected: positive means bottom row first
        bih.biPlanes = 1;
        bih.biBitCount = 24;
        bih.biCompression = BI_RGB;
        static_assert(sizeof(BITMAPFILEHEADER) == 14 && sizeof(BITMAPINFOHEADER) == 40);

        // the rows go out exactly as delivered: blue-green-red, padded, bottom up
        if (!WriteAll(file.Get(), &bfh, sizeof(bfh)) || !WriteAll(file.Get(), &bih, sizeof(bih)) ||
            !WriteAll(file.Get(), pFrame, cbFrame)) {
            if (!m_bWriteFailed.exchange(true))
                LogEvent(L"Photo: %ls could not be written (%ls)", kPhotoFile, DescribeError(::GetLastError()).c_str());
            return;
        }
    }
    m_bWriteFailed = false;
    // posted, never sent: the streaming thread must not wait for the UI thread
    if (m_hNotifyWnd)
        ::PostMessageW(m_hNotifyWnd, WM_PHOTO_TAKEN, 0, 0);
}

void ForgetPhotoFile() {
    CHandle file(::CreateFileW(kPhotoFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 0, nullptr));
    if (!file && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        LogEvent(L"Photo: %ls could not be emptied (%ls)", kPhotoFile, DescribeError(::GetLastError()).c_str());
}
