// The frame handler: writes one camera frame as the photo file and tells the
// main dialog by a posted message.
#pragma once

#include <windows.h>

#include <atomic>

#include "capture/CaptureVideo.h"

// Posted to m_hNotifyWnd once a frame was written to ".\photo.bmp".
constexpr UINT WM_PHOTO_TAKEN = WM_USER + 0x190;

class CVdoFrameHandler {
public:
    // Runs on DirectShow's streaming thread.
    virtual void OnFrame(LONG lWidth, LONG lHeight, BYTE* pFrame, LONG lLength) = 0;
    virtual ~CVdoFrameHandler() = default;
};

class CCaptureImage : public CVdoFrameHandler {
public:
    explicit CCaptureImage(ICameraReporter& reporter) : m_video(reporter) {}

    void OnFrame(LONG lWidth, LONG lHeight, BYTE* pFrame, LONG lLength) override;

    HWND m_hNotifyWnd = nullptr;
    CCaptureVideo m_video;

private:
    // a failure is logged once, not for every frame that follows it
    std::atomic<bool> m_bWriteFailed{false};
};

// Forgets the last photo by emptying its file in place. The file is never
// deleted: an installed kiosk's account may change it but not create it again.
void ForgetPhotoFile();
