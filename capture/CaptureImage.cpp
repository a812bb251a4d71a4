#include "CaptureImage.h"

#include "framework/Handle.h"
#include "framework/Log.h"

namespace {
const wchar_t kPhotoFile[] = L".\\photo.bmp";

// Others may read the last photo while it is replaced.
bool WritePhotoFile(const std::vector<uint8_t>& photo) {
    CHandle file(::CreateFileW(kPhotoFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), photo.data(), static_cast<DWORD>(photo.size()), &written, nullptr) &&
           written == photo.size();
}
} // namespace

void CCaptureImage::OnFrame(LONG lWidth, LONG lHeight, BYTE* pFrame, LONG lLength) {
    std::vector<uint8_t> photo = MakePhotoFile(lWidth, lHeight, pFrame, lLength > 0 ? static_cast<size_t>(lLength) : 0);
    // a frame we cannot write is dropped, and the next one tries again
    if (photo.empty() || !WritePhotoFile(photo)) {
        if (!m_bWriteFailed.exchange(true))
            LogEvent(L"Photo: %ls could not be written (%ls)", kPhotoFile, DescribeError(::GetLastError()).c_str());
        return;
    }
    m_bWriteFailed = false;
    m_photo.Put(std::move(photo));
    // posted, never sent: the streaming thread must not wait for the UI thread
    if (m_hNotifyWnd)
        ::PostMessageW(m_hNotifyWnd, WM_PHOTO_TAKEN, 0, 0);
}

void ForgetPhotoFile() {
    CHandle file(::CreateFileW(kPhotoFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 0, nullptr));
    if (!file && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        LogEvent(L"Photo: %ls could not be emptied (%ls)", kPhotoFile, DescribeError(::GetLastError()).c_str());
}
