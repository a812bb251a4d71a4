#include "CameraPanel.h"

#include "capture/SampleGrabberCB.h"
#include "framework/Log.h"
#include "records/SignInRecord.h"
#include "res/resource.h"

void CCameraPanel::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PREVIEW_FRAME, m_previewFrame);
    DDX_Control(pDX, IDC_CAMERA_LIST, m_cameraList);
}

CameraFault CCameraPanel::Create(HWND hNotifyWnd) {
    m_previewFrame.ShowWindow(SW_HIDE);
    // the list is sorted: each name goes to its alphabetical place
    if (m_cameraList.m_hWnd) {
        for (const std::wstring& name : m_capture.m_video.ListDevices())
            ::SendMessageW(m_cameraList.m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    ::SendMessageW(m_cameraList.m_hWnd, CB_SETCURSEL, 0, 0);
    wchar_t szCamera[2048] = L"";
    ::GetWindowTextW(m_cameraList.m_hWnd, szCamera, ARRAYSIZE(szCamera));
    m_bHasCamera = szCamera[0] != L'\0' ? 1 : 0;
    m_capture.m_hNotifyWnd = hNotifyWnd;
    return m_capture.m_video.Fault();
}

CameraFault CCameraPanel::Start() {
    ::MoveWindow(m_previewFrame.m_hWnd, m_rcPhoto.left, m_rcPhoto.top, m_rcPhoto.right - m_rcPhoto.left,
                 m_rcPhoto.bottom - m_rcPhoto.top, TRUE);
    return StartLivePreview();
}

CameraFault CCameraPanel::StartLivePreview() {
    m_previewFrame.ShowWindow(SW_SHOW);
    const int nSelected = static_cast<int>(::SendMessageW(m_cameraList.m_hWnd, CB_GETCURSEL, 0, 0));
    return FAILED(m_capture.m_video.StartPreview(nSelected, m_previewFrame.m_hWnd)) ? m_capture.m_video.Fault()
                                                                                    : CameraFault::None;
}

CameraFault CCameraPanel::OnPhotoButton() {
    if (IsPreviewStopped())
        return StartLivePreview();
    // the last photo goes: the request brings the next one
    m_pPhotoImage.Attach(nullptr);
    g_GrabberCB.RequestPhoto(&m_capture);
    return CameraFault::None;
}

void CCameraPanel::OnPhotoTaken() {
    g_GrabberCB.CancelPhoto();
    // no frame arrives once the graph has stopped: the last one waits in the slot
    m_capture.m_video.StopPreview();
    const std::vector<uint8_t> photo = m_capture.TakePhoto();
    // frames announced together were all taken by the first announcement
    if (!photo.empty() && !m_pPhotoImage.DecodeBmp(photo.data(), photo.size()))
        LogEvent(L"Photo: the camera's frame of %zu bytes could not be made into a picture; records show the "
                 L"placeholder",
                 photo.size());
}

CameraFault CCameraPanel::Reset() {
    g_GrabberCB.CancelPhoto();
    m_capture.TakePhoto();
    const bool bPhotoShown = m_pPhotoImage.GetSafeHandle() != nullptr;
    m_pPhotoImage.Attach(nullptr);
    ForgetPhotoFile();
    // a camera that took the photo is live again; one that failed is retried
    // by the next visitor's Photo press, not by a box on an idle kiosk
    if (bPhotoShown && IsPreviewStopped())
        return StartLivePreview();
    return CameraFault::None;
}

HBITMAP CCameraPanel::Photo() const {
    return IsPreviewStopped() && m_bHasCamera == 1 ? m_pPhotoImage.GetSafeHandle() : nullptr;
}

void CCameraPanel::PaintPhoto(HDC hdcBuffer) const {
    StretchBitmap(hdcBuffer, Photo(), m_rcPhoto);
}

void CCameraPanel::HidePreviewFrame() {
    if (::IsWindowVisible(m_previewFrame.m_hWnd))
        m_previewFrame.ShowWindow(SW_HIDE);
}
