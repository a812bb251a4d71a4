// CCaptureVideo: the camera side of the sign-in page. Lists the video input
// devices, and builds the DirectShow graph that shows the chosen camera live
// in the preview frame while every frame passes the sample grabber as RGB24.
// Used only from the user-interface thread.
#pragma once

#include <windows.h>

#include <dshow.h>

#include "capture/SampleGrabber.h"
#include "framework/Com.h"
#include "framework/Wnd.h"

// Never created as a window.
class CCaptureVideo : public CWnd {
public:
    CCaptureVideo();
    ~CCaptureVideo() override;

    // Adds the friendly name of every video input device to the combo box;
    // the number added, or -1 without an enumerator or any device.
    int ListDevices(HWND hList);
    // 0 when the live preview runs; 1 when no device could be looked up;
    // otherwise the failing HRESULT, after a message box. Every failure
    // leaves the preview stopped. A call made while a box of an earlier call
    // is still up does nothing and returns VFW_E_WRONG_STATE.
    HRESULT StartPreview(int nIndex, HWND hPreview);
    HRESULT StopPreview();

    // Nonzero while no preview runs, from construction on, so the photo
    // button of a kiosk whose preview could not start tries again.
    int m_bStopped = 1;
    // Owns the error boxes, so that the page waits under them.
    HWND m_hOwnerWnd = nullptr;
    HWND m_hPreviewWnd = nullptr;
    CComPtr<IGraphBuilder> m_pGraph;
    CComPtr<ICaptureGraphBuilder2> m_pBuilder;
    CComPtr<IBaseFilter> m_pCaptureFilter;
    CComPtr<IMediaControl> m_pControl;
    CComPtr<IVideoWindow> m_pVideoWindow;
    CComPtr<ISampleGrabber> m_pGrabber;

private:
    HRESULT CreateGraphInterfaces();
    int BindDevice(int nIndex, IBaseFilter** ppFilter);
    void SetupPreviewWindow();
    HRESULT BuildGraph(int nIndex, HWND hPreview);
    // Stops the graph, takes the video window from its owner and releases
    // every interface held.
    void ReleaseGraph();
    void Report(const wchar_t* pszText) const;

    HRESULT m_hrCoInit = E_FAIL;
    bool m_bGraphRan = false;
    bool m_bBuilding = false;
};
