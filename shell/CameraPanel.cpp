#include "CameraPanel.h"

#include <dbt.h>

#include <algorithm>

#include "capture/SampleGrabberCB.h"
#include "framework/Gdi.h"
#include "framework/Log.h"
#include "framework/Reporter.h"
#include "records/SignInRecord.h"
#include "res/resource.h"

namespace {
// How long the notice stays: long enough to read twice.
constexpr UINT kNoticeMs = 5000;

uint64_t Now() {
    return ::GetTickCount64();
}
} // namespace

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
    m_hNotifyWnd = hNotifyWnd;
    m_capture.m_video.SetEventWindow(hNotifyWnd);
    m_placeholder.LoadBmpFile(L"Picture\\photobk.bmp");
    // video capture devices, by their interface class
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = AM_KSCATEGORY_CAPTURE;
    m_deviceNotify.Reset(::RegisterDeviceNotificationW(hNotifyWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    if (!m_deviceNotify)
        LogEvent(L"Camera: no device notifications (error %lu); a lost camera is still looked for", ::GetLastError());
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
    if (IsWatched() && IsAway()) {
        ShowNotice(true);
        return CameraFault::None;
    }
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
    ShowNotice(false);
    // a camera that took the photo is live again; one that failed is retried
    // by the next visitor's Photo press, not by a box on an idle kiosk; one
    // that is away comes back live by itself
    if (bPhotoShown && IsPreviewStopped() && !IsAway())
        return StartLivePreview();
    return CameraFault::None;
}

HBITMAP CCameraPanel::Photo() const {
    return IsPreviewStopped() && m_bHasCamera == 1 ? m_pPhotoImage.GetSafeHandle() : nullptr;
}

void CCameraPanel::PaintPhoto(HDC hdcBuffer) const {
    HBITMAP hShown = Photo();
    if (!hShown && IsAway())
        hShown = m_placeholder.GetSafeHandle();
    StretchBitmap(hdcBuffer, hShown, m_rcPhoto);
    if (!m_strNotice.empty())
        PaintNotice(hdcBuffer);
}

// A dark band across the middle of the photo area, the text centred in it.
void CCameraPanel::PaintNotice(HDC hdcBuffer) const {
    const int nHeight = m_rcPhoto.bottom - m_rcPhoto.top;
    RECT rcBand{m_rcPhoto.left, m_rcPhoto.top + nHeight / 4, m_rcPhoto.right, m_rcPhoto.bottom - nHeight / 4};
    ::FillRect(hdcBuffer, &rcBand, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    // by charset too: where the face is missing, the font mapper takes one
    // that has the glyphs
    CFontHandle font(::CreateFontW(-std::max(12, nHeight / 12), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                                   L"Microsoft YaHei"));
    CSelectObject selectFont(hdcBuffer, font.Get());
    ::SetTextColor(hdcBuffer, RGB(255, 255, 255));
    ::SetBkMode(hdcBuffer, TRANSPARENT);
    ::InflateRect(&rcBand, -nHeight / 20, 0);
    RECT rcText = rcBand;
    const UINT uFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    ::DrawTextW(hdcBuffer, m_strNotice.c_str(), -1, &rcText, uFormat | DT_CALCRECT);
    const int nTextHeight = std::min(rcText.bottom - rcText.top, rcBand.bottom - rcBand.top);
    rcText = rcBand;
    rcText.top += (rcBand.bottom - rcBand.top - nTextHeight) / 2;
    ::DrawTextW(hdcBuffer, m_strNotice.c_str(), -1, &rcText, uFormat);
}

void CCameraPanel::ShowNotice(bool bShow) {
    if (!bShow) {
        ::KillTimer(m_hNotifyWnd, kCameraNoticeTimerId);
        if (m_strNotice.empty())
            return;
        m_strNotice.clear();
    } else {
        m_strNotice = LoadResourceString(IDS_CAMERA_AWAY);
        LogEvent(L"Shown to the visitor: %ls", m_strNotice.c_str());
        // a notice, not a box: nobody has to answer it, and it goes by itself
        ::SetTimer(m_hNotifyWnd, kCameraNoticeTimerId, kNoticeMs, nullptr);
    }
    Redraw();
}

void CCameraPanel::Redraw() const {
    ::InvalidateRect(m_hNotifyWnd, nullptr, FALSE);
}

void CCameraPanel::OnGraphNotify() {
    switch (m_capture.m_video.TakeGraphEvents()) {
    case GraphEvent::None:
        break;
    case GraphEvent::DeviceLost:
        Apply(m_watch.OnGraphLost(Now()), L"the graph reported it lost");
        break;
    case GraphEvent::ErrorAbort:
        Apply(m_watch.OnGraphLost(Now()), L"the graph stopped on an error");
        break;
    }
}

BOOL CCameraPanel::OnDeviceChange(UINT nEvent) {
    // which device it was matters not: the chosen one is looked up by its name
    const bool bListChanged =
        nEvent == DBT_DEVICEARRIVAL || nEvent == DBT_DEVICEREMOVECOMPLETE || nEvent == DBT_DEVNODES_CHANGED;
    if (bListChanged && IsWatched())
        Apply(m_watch.OnDeviceChange(Now(), m_capture.m_video.IsDeviceListed()), L"it left the device list");
    return TRUE;
}

BOOL CCameraPanel::OnPowerBroadcast(UINT nEvent) {
    if (!IsWatched())
        return TRUE;
    if (nEvent == PBT_APMSUSPEND) {
        Apply(m_watch.OnSuspend(Now()), L"the system is going to sleep");
    } else if (nEvent == PBT_APMRESUMEAUTOMATIC || nEvent == PBT_APMRESUMESUSPEND) {
        LogEvent(L"Camera: the system woke; the preview is built again");
        m_watch.OnResume(Now());
        ScheduleLook();
    }
    return TRUE;
}

void CCameraPanel::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kCameraNoticeTimerId) {
        ShowNotice(false);
    } else if (nIDEvent == kCameraWatchTimerId) {
        if (m_watch.IsDue(Now()))
            Rebuild();
        ScheduleLook();
    }
}

void CCameraPanel::Apply(CameraStep step, const wchar_t* pszWhy) {
    if (step == CameraStep::TearDown) {
        g_GrabberCB.CancelPhoto();
        m_capture.m_video.StopPreview();
        LogEvent(L"Camera lost: %ls; the photo area shows the placeholder until it is back", pszWhy);
        Redraw();
    }
    ScheduleLook();
}

// On the same device, found by its name. A photo on show stays: the camera
// only has to be listed again, and the next Photo press starts it.
void CCameraPanel::Rebuild() {
    const bool bPhotoShown = m_pPhotoImage.GetSafeHandle() != nullptr;
    RebuildResult result = RebuildResult::Unlisted;
    if (m_capture.m_video.IsDeviceListed()) {
        // shown only once it runs: a failed try would flash it
        result = bPhotoShown || m_capture.m_video.RestartPreview(m_previewFrame.m_hWnd) == S_OK ? RebuildResult::Back
                                                                                                : RebuildResult::Failed;
        if (result == RebuildResult::Back && !bPhotoShown)
            m_previewFrame.ShowWindow(SW_SHOW);
    }
    const uint64_t nNow = Now();
    const uint64_t nAwayMs = nNow - m_watch.LostSince();
    m_watch.OnRebuilt(nNow, result);
    if (result == RebuildResult::Back) {
        LogEvent(L"Camera back after %llu ms: %ls", static_cast<unsigned long long>(nAwayMs),
                 bPhotoShown ? L"listed again" : L"the preview runs again");
        ShowNotice(false);
    }
    Redraw();
}

void CCameraPanel::ScheduleLook() {
    const int64_t nMs = m_watch.MsUntilDue(Now());
    if (nMs < 0)
        ::KillTimer(m_hNotifyWnd, kCameraWatchTimerId);
    else
        ::SetTimer(m_hNotifyWnd, kCameraWatchTimerId, static_cast<UINT>(std::max<int64_t>(nMs, USER_TIMER_MINIMUM)),
                   nullptr);
}

void CCameraPanel::HidePreviewFrame() {
    if (::IsWindowVisible(m_previewFrame.m_hWnd))
        m_previewFrame.ShowWindow(SW_HIDE);
}
