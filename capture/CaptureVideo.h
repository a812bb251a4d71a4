// CCaptureVideo: the camera side of the sign-in page. Names the video input
// devices, and builds the DirectShow graph that shows the chosen camera live
// in the preview frame while every frame passes the sample grabber as RGB24.
// Used only from the user-interface thread.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <string>
#include <vector>

#include "capture/SampleGrabber.h"
#include "framework/Com.h"
#include "framework/Wnd.h"

// The camera's way to tell about a failure; the page shows the text.
class ICameraReporter {
public:
    virtual void ReportCameraError(const wchar_t* pszText) = 0;

protected:
    ~ICameraReporter() = default;
};

// Never created as a window.
class CCaptureVideo : public CWnd {
public:
    explicit CCaptureVideo(ICameraReporter& reporter);
    ~CCaptureVideo() override;

    // The friendly name of every video input device that has one, in
    // enumeration order; empty without an enumerator or any device.
    std::vector<std::wstring> ListDevices() const;
    // 0 when the live preview runs; 1 when no device could be looked up;
    // otherwise the failing HRESULT, after its report. Every failure leaves
    // the preview stopped. A call made while a report of an earlier call is
    // still up does nothing and returns VFW_E_WRONG_STATE.
    HRESULT StartPreview(int nIndex, HWND hPreview);
    HRESULT StopPreview();

    // Nonzero while no preview runs, from construction on, so the photo
    // button of a kiosk whose preview could not start tries again.
    int m_bStopped = 1;

private:
    // The graph build, step by step; each step reports its own failure.
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
    // Logs the text, then hands it to the reporter.
    void Report(const wchar_t* pszText) const;

    ICameraReporter& m_reporter;
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
    bool m_bBuilding = false;
};
