// CCaptureVideo: the camera side of the sign-in page. Names the video input
// devices, and builds the DirectShow graph that shows the chosen camera live
// in the preview frame while every frame passes the sample grabber as RGB24.
// Used only from the user-interface thread.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <string>
#include <vector>

#include "capture/CameraFault.h"
#include "capture/SampleGrabber.h"
#include "framework/Com.h"
#include "framework/Wnd.h"

// Posted to the window given to SetEventWindow when the graph has events.
constexpr UINT WM_GRAPHNOTIFY = WM_USER + 0x191;

// What the running graph said about its camera.
enum class GraphEvent { None, DeviceLost, ErrorAbort };

// Never created as a window.
class CCaptureVideo : public CWnd {
public:
    CCaptureVideo() = default;
    ~CCaptureVideo() override;

    // The friendly name of every video input device that has one, in
    // enumeration order; empty without an enumerator or any device.
    std::vector<std::wstring> ListDevices() const;
    // S_OK when the live preview runs; S_FALSE (1) when no device could be
    // looked up; otherwise the failing HRESULT, and Fault() says which step
    // failed. Every failure leaves the preview stopped.
    HRESULT StartPreview(int nIndex, HWND hPreview);
    // Why the last StartPreview failed, or why COM could not start; None
    // when there is nothing to report.
    CameraFault Fault() const { return m_fault; }
    HRESULT StopPreview();
    // StartPreview again on the device the last StartPreview found, wherever
    // it now lies in the enumeration; S_FALSE while it is not listed.
    HRESULT RestartPreview(HWND hPreview);
    // The moniker's display name of the device the last StartPreview found
    // (its device path for a real camera); empty before one was found.
    const std::wstring& DeviceName() const { return m_strDevice; }
    // Whether that device is listed now.
    bool IsDeviceListed() const;
    // Where WM_GRAPHNOTIFY goes for the graphs built from now on.
    void SetEventWindow(HWND hWnd) { m_hEventWnd = hWnd; }
    // Takes every event the graph has queued; the gravest one about the
    // camera comes back, and is logged.
    GraphEvent TakeGraphEvents();

    // Nonzero while no preview runs, from construction on, so the photo
    // button of a kiosk whose preview could not start tries again.
    int m_bStopped = 1;

private:
    // The graph build, step by step; each step logs its own failure.
    HRESULT CreateGraphInterfaces();
    // By position (nIndex) or, with a name, by display name; 0 when nothing
    // to bind could be looked up.
    int BindDevice(int nIndex, const std::wstring* pName, IBaseFilter** ppFilter);
    HRESULT AddGrabber(CComPtr<IBaseFilter>& pGrabberFilter);
    HRESULT RenderStream(IBaseFilter* pGrabberFilter);
    HRESULT ReadFrameSize();
    void ConnectGrabberCallback();
    void SetupPreviewWindow();
    HRESULT RunGraph();
    HRESULT BuildGraph(int nIndex, const std::wstring* pName, HWND hPreview);
    HRESULT Start(int nIndex, const std::wstring* pName, HWND hPreview);
    // Stops the graph, takes the video window from its owner and releases
    // every interface held.
    void ReleaseGraph();
    // Logs the failed step and keeps it for Fault; returns hr.
    HRESULT Fail(CameraFault fault, HRESULT hr);

    // before the interfaces: COM is up before them and down after them
    CCoInitialize m_coInit;
    HWND m_hPreviewWnd = nullptr;
    HWND m_hEventWnd = nullptr;
    std::wstring m_strDevice;
    CComPtr<IGraphBuilder> m_pGraph;
    CComPtr<ICaptureGraphBuilder2> m_pBuilder;
    CComPtr<IBaseFilter> m_pCaptureFilter;
    CComPtr<IMediaControl> m_pControl;
    CComPtr<IVideoWindow> m_pVideoWindow;
    CComPtr<IMediaEventEx> m_pEvent;
    CComPtr<ISampleGrabber> m_pGrabber;
    bool m_bGraphRan = false;
    CameraFault m_fault = FAILED(m_coInit.Result()) ? CameraFault::CoInitialize : CameraFault::None;
};
