// CCameraPanel: the photo area of the sign-in page. Owns the camera (its list,
// the live preview in the preview frame, the photo request) and the photo the
// page shows and saves, decoded once from the frame that came with
// WM_PHOTO_TAKEN. The page asks it; failures come back as a CameraFault for
// the page to report.
#pragma once

#include "capture/CaptureImage.h"
#include "framework/Dialog.h"
#include "records/BitmapEx.h"

class CCameraPanel {
public:
    // Binds the preview frame and the camera list of the page's template.
    void DoDataExchange(CDataExchange* pDX);
    // Hides the preview frame and lists the cameras; photos are announced to
    // hNotifyWnd. A COM start-up failure comes back to be reported.
    CameraFault Create(HWND hNotifyWnd);
    // Where the photo area lies on the page.
    void SetPhotoRect(const RECT& rcPhoto) { m_rcPhoto = rcPhoto; }
    // Puts the preview frame on the photo area and starts the live preview.
    CameraFault Start();
    // The Photo button: asks for a photo while the preview runs, otherwise
    // brings the live preview back over the photo.
    CameraFault OnPhotoButton();
    // WM_PHOTO_TAKEN: ends the request, stops the camera and keeps the frame.
    void OnPhotoTaken();
    // After an idle timeout no photo of the last visitor stays, on the screen
    // or in its file, and a camera that took one is live again.
    CameraFault Reset();

    // The live preview shows in the photo area: the page leaves it alone.
    bool IsLive() const { return m_bHasCamera == 1 && !IsPreviewStopped(); }
    // The photo on show, or null while there is none.
    HBITMAP Photo() const;
    // Draws the photo on show into the photo area of the page's buffer.
    void PaintPhoto(HDC hdcBuffer) const;
    // Hides the preview frame, which has nothing live to show.
    void HidePreviewFrame();
    const RECT& PhotoRect() const { return m_rcPhoto; }

private:
    bool IsPreviewStopped() const { return m_capture.m_video.m_bStopped != 0; }
    CameraFault StartLivePreview();

    CCaptureImage m_capture;
    CWnd m_cameraList;
    CWnd m_previewFrame;
    CBitmapEx m_pPhotoImage; // the last frame, as LoadBmpFile builds it from photo.bmp
    RECT m_rcPhoto{};
    BYTE m_bHasCamera = 0;
};
