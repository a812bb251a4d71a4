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

    // Nonzero while no preview runs, from construction on, so the photo
    // button of a kiosk whose preview could not start tries again.
    int m_bStopped = 1;

private:
    // The graph build, step by step; each step logs its own failure.
    HRESULT CreateGraphInterfaces();
    int BindDevice(int nIndex, IBaseFilter** ppFilter);
    HRESULT AddGrabber(CComPtr<IBaseFilter>& pGrabberFilter);
    HRESULT RenderStream(IBaseFilter* pGrabberFilter);
    HRESULT ReadFrameSize();
    void ConnectGrabberCallback();
    void SetupPreviewWindow();
    HRESULT RunGraph();
    HRESULT BuildGraph(int nIndex, HWND hPreview);
    // Stops the graph, takes the video window from its owner and releases
    // every interface held.
    void ReleaseGraph();
    // Logs the failed step and keeps it for Fault; returns hr.
    HRESULT Fail(CameraFault fault, HRESULT hr);

    // before the interfaces: COM is up before them and down after them
    CCoInitialize m_coInit;
    HWND m_hPreviewWnd = nullptr;
    CComPtr<IGraphBuilder> m_pGraph;
    CComPtr<ICaptureGraphBuilder2> m_pBuilder;
    CComPtr<IBaseFilter> m_pCaptureFilter;
    CComPtr<IMediaControl> m_pControl;
    CComPtr<IVideoWindow> m_pVideoWindow;
    CComPtr<ISampleGrabber> m_pGrabber;
    bool m_bGraphRan = false;
    CameraFault m_fault = FAILED(m_coInit.Result()) ? CameraFault::CoInitialize : CameraFault::None;
};
