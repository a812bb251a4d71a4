// CCameraPanel: the photo area of the sign-in page. Owns the camera (its list,
// the live preview in the preview frame, the photo request) and the photo the
// page shows and saves, decoded once from the frame that came with
// WM_PHOTO_TAKEN. The page asks it; failures come back as a CameraFault for
// the page to report. It also watches the chosen camera: when it goes (pulled
// out, lost by its driver, or asleep) the photo area shows the placeholder,
// and the preview comes back on the same device by itself.
#pragma once

#include "capture/CameraWatch.h"
#include "capture/CaptureImage.h"
#include "framework/Dialog.h"
#include "framework/UniqueHandle.h"
#include "records/BitmapEx.h"

// The panel's timers on the page's window.
constexpr UINT_PTR kCameraWatchTimerId = 20;
constexpr UINT_PTR kCameraNoticeTimerId = 21;

struct CDeviceNotifyTraits : CNullHandleTraits<HDEVNOTIFY> {
    static void Close(HDEVNOTIFY h) { ::UnregisterDeviceNotification(h); }
};
using CDeviceNotify = CUniqueHandle<CDeviceNotifyTraits>;

class CCameraPanel {
public:
    // Binds the preview frame and the camera list of the page's template.
    void DoDataExchange(CDataExchange* pDX);
    // Hides the preview frame and lists the cameras; photos, the graph's
    // events and the panel's timers go to hNotifyWnd, which also hears of
    // video capture devices coming and going. A COM start-up failure comes
    // back to be reported.
    CameraFault Create(HWND hNotifyWnd);
    // Where the photo area lies on the page.
    void SetPhotoRect(const RECT& rcPhoto) { m_rcPhoto = rcPhoto; }
    // Puts the preview frame on the photo area and starts the live preview.
    CameraFault Start();
    // The Photo button: asks for a photo while the preview runs, otherwise
    // brings the live preview back over the photo. Without the camera it
    // shows a notice that closes itself.
    CameraFault OnPhotoButton();
    // WM_PHOTO_TAKEN: ends the request, stops the camera and keeps the frame.
    void OnPhotoTaken();
    // After an idle timeout no photo of the last visitor stays, on the screen
    // or in its file, and a camera that took one is live again.
    CameraFault Reset();

    // WM_GRAPHNOTIFY, WM_DEVICECHANGE, WM_POWERBROADCAST and the panel's
    // WM_TIMERs, forwarded by the page.
    void OnGraphNotify();
    BOOL OnDeviceChange(UINT nEvent);
    BOOL OnPowerBroadcast(UINT nEvent);
    void OnTimer(UINT_PTR nIDEvent);

    // The live preview shows in the photo area: the page leaves it alone.
    bool IsLive() const { return m_bHasCamera == 1 && !IsPreviewStopped(); }
    // The photo on show, or null while there is none.
    HBITMAP Photo() const;
    // Draws the photo on show into the photo area of the page's buffer; while
    // the camera is away, the placeholder and any notice.
    void PaintPhoto(HDC hdcBuffer) const;
    // Hides the preview frame, which has nothing live to show.
    void HidePreviewFrame();
    const RECT& PhotoRect() const { return m_rcPhoto; }

private:
    bool IsPreviewStopped() const { return m_capture.m_video.m_bStopped != 0; }
    CameraFault StartLivePreview();
    // Watched once a device was chosen and found.
    bool IsWatched() const { return m_bHasCamera == 1 && !m_capture.m_video.DeviceName().empty(); }
    bool IsAway() const { return m_watch.State() != CameraState::Live; }
    void Apply(CameraStep step, const wchar_t* pszWhy);
    void Rebuild();
    void ScheduleLook();
    void ShowNotice(bool bShow);
    void PaintNotice(HDC hdcBuffer) const;
    void Redraw() const;

    CCaptureImage m_capture;
    CWnd m_cameraList;
    CWnd m_previewFrame;
    CBitmapEx m_pPhotoImage; // the last frame, as LoadBmpFile builds it from photo.bmp
    RECT m_rcPhoto{};
    BYTE m_bHasCamera = 0;
    HWND m_hNotifyWnd = nullptr;
    CCameraWatch m_watch;
    CDeviceNotify m_deviceNotify;
    CBitmapEx m_placeholder;
    std::wstring m_strNotice; // shown while not empty
};
