// The frame handler: writes one camera frame as the photo file and hands it to
// the main dialog with a posted message.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

#include "capture/CaptureVideo.h"
#include "capture/PhotoFile.h"

// Posted to m_hNotifyWnd once a frame was written to ".\photo.bmp"; the
// frame itself waits in TakePhoto.
constexpr UINT WM_PHOTO_TAKEN = WM_USER + 0x190;

class CVdoFrameHandler {
public:
    // Runs on DirectShow's streaming thread.
    virtual void OnFrame(LONG lWidth, LONG lHeight, BYTE* pFrame, LONG lLength) = 0;
    virtual ~CVdoFrameHandler() = default;
};

class CCaptureImage : public CVdoFrameHandler {
public:
    void OnFrame(LONG lWidth, LONG lHeight, BYTE* pFrame, LONG lLength) override;
    // The last photo written, byte for byte as its file holds it; empty when
    // none came since the last call.
    std::vector<uint8_t> TakePhoto() { return m_photo.Take(); }

    HWND m_hNotifyWnd = nullptr;
    CCaptureVideo m_video;

private:
    CPhotoSlot m_photo;
    // a failure is logged once, not for every frame that follows it
    std::atomic<bool> m_bWriteFailed{false};
};

// Forgets the last photo by emptying its file in place. The file is never
// deleted: an installed kiosk's account may change it but not create it again.
void ForgetPhotoFile();
