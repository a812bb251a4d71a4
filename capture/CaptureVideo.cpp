#include "CaptureVideo.h"

#include "SampleGrabberCB.h"
#include "framework/Log.h"

namespace {

// S_OK only: an empty category answers S_FALSE with no enumerator.
HRESULT CreateVideoInputEnum(CComPtr<ICreateDevEnum>& pDevEnum, CComPtr<IEnumMoniker>& pClassEnum) {
    HRESULT hr = ::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                    reinterpret_cast<void**>(pDevEnum.Put()));
    if (FAILED(hr))
        return hr;
    hr = pDevEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, pClassEnum.Put(), 0);
    if (hr != S_OK || !pClassEnum)
        return hr == S_OK ? E_FAIL : hr;
    return S_OK;
}

// The device's friendly name, or false when it has none that reads as text.
bool ReadFriendlyName(IMoniker* pMoniker, wchar_t* pszName, int cchName) {
    CComPtr<IPropertyBag> pBag;
    if (FAILED(pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(pBag.Put()))))
        return false;
    VARIANT var;
    ::VariantInit(&var);
    var.vt = VT_BSTR;
    bool bNamed = false;
    if (pBag->Read(L"FriendlyName", &var, nullptr) == S_OK) {
        bNamed = true;
        if (pszName) {
            // a longer name is cut to the buffer
            ::lstrcpynW(pszName, var.vt == VT_BSTR && var.bstrVal ? var.bstrVal : L"", cchName);
        }
    }
    ::VariantClear(&var);
    return bNamed;
}

// The moniker's display name: the device path of a real camera, the
// instance key of a registered one. Empty when it has none.
std::wstring ReadDisplayName(IMoniker* pMoniker) {
    CComPtr<IBindCtx> pContext;
    if (FAILED(::CreateBindCtx(0, pContext.Put())))
        return {};
    LPOLESTR pszName = nullptr;
    if (FAILED(pMoniker->GetDisplayName(pContext.Get(), nullptr, &pszName)) || !pszName)
        return {};
    std::wstring name = pszName;
    ::CoTaskMemFree(pszName);
    return name;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat != 0) {
        ::CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

} // namespace

HRESULT CCaptureVideo::Fail(CameraFault fault, HRESULT hr) {
    static const wchar_t* const kSteps[] = {
        L"",           L"CoInitialize",     L"graph interfaces", L"sample grabber",
        L"media type", L"grabber in graph", L"RenderStream",     L"connected media type",
        L"Run"};
    LogEvent(L"Camera: %ls failed (0x%08lX)", kSteps[static_cast<int>(fault)], static_cast<unsigned long>(hr));
    m_fault = fault;
    return hr;
}

CCaptureVideo::~CCaptureVideo() {
    ReleaseGraph();
}

std::vector<std::wstring> CCaptureVideo::ListDevices() const {
    std::vector<std::wstring> names;
    CComPtr<ICreateDevEnum> pDevEnum;
    CComPtr<IEnumMoniker> pClassEnum;
    if (CreateVideoInputEnum(pDevEnum, pClassEnum) != S_OK)
        return names;
    pClassEnum->Reset();
    CComPtr<IMoniker> pMoniker;
    while (pClassEnum->Next(1, pMoniker.Put(), nullptr) == S_OK) {
        wchar_t szName[2048] = L"";
        if (ReadFriendlyName(pMoniker.Get(), szName, ARRAYSIZE(szName)))
            names.emplace_back(szName);
    }
    return names;
}

// The index is a position in the enumeration, counting unnamed devices too,
// though only a named device at that position is bound. A name binds the
// device of that display name, and nothing when none is listed.
int CCaptureVideo::BindDevice(int nIndex, const std::wstring* pName, IBaseFilter** ppFilter) {
    CComPtr<ICreateDevEnum> pDevEnum;
    CComPtr<IEnumMoniker> pClassEnum;
    if (CreateVideoInputEnum(pDevEnum, pClassEnum) != S_OK)
        return 0;
    pClassEnum->Reset();
    CComPtr<IMoniker> pMoniker;
    for (int i = 0; (pName || i <= nIndex) && pClassEnum->Next(1, pMoniker.Put(), nullptr) == S_OK; ++i) {
        if (pName ? ReadDisplayName(pMoniker.Get()) != *pName
                  : !ReadFriendlyName(pMoniker.Get(), nullptr, 0) || i != nIndex)
            continue;
        m_strDevice = ReadDisplayName(pMoniker.Get());
        pMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
        return 1;
    }
    return pName ? 0 : 1;
}

bool CCaptureVideo::IsDeviceListed() const {
    CComPtr<ICreateDevEnum> pDevEnum;
    CComPtr<IEnumMoniker> pClassEnum;
    if (m_strDevice.empty() || CreateVideoInputEnum(pDevEnum, pClassEnum) != S_OK)
        return false;
    CComPtr<IMoniker> pMoniker;
    while (pClassEnum->Next(1, pMoniker.Put(), nullptr) == S_OK) {
        if (ReadDisplayName(pMoniker.Get()) == m_strDevice)
            return true;
    }
    return false;
}

HRESULT CCaptureVideo::CreateGraphInterfaces() {
    HRESULT hr = ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                    reinterpret_cast<void**>(m_pGraph.Put()));
    if (FAILED(hr))
        return hr;
    hr = ::CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC, IID_ICaptureGraphBuilder2,
                            reinterpret_cast<void**>(m_pBuilder.Put()));
    if (FAILED(hr))
        return hr;
    m_pBuilder->SetFiltergraph(m_pGraph.Get());
    hr = m_pGraph.QueryInterface(IID_IMediaControl, m_pControl);
    if (FAILED(hr))
        return hr;
    // without events the camera is still shown, only not watched
    if (m_hEventWnd && SUCCEEDED(m_pGraph.QueryInterface(IID_IMediaEventEx, m_pEvent)))
        m_pEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(m_hEventWnd), WM_GRAPHNOTIFY, 0);
    return m_pGraph.QueryInterface(IID_IVideoWindow, m_pVideoWindow);
}

HRESULT CCaptureVideo::StartPreview(int nIndex, HWND hPreview) {
    return Start(nIndex, nullptr, hPreview);
}

HRESULT CCaptureVideo::RestartPreview(HWND hPreview) {
    const std::wstring name = m_strDevice;
    return name.empty() ? S_FALSE : Start(-1, &name, hPreview);
}

HRESULT CCaptureVideo::Start(int nIndex, const std::wstring* pName, HWND hPreview) {
    // a graph left from an earlier build is torn down before a new one starts
    ReleaseGraph();
    m_fault = CameraFault::None;
    const HRESULT hr = BuildGraph(nIndex, pName, hPreview);
    if (hr != S_OK) {
        // a preview that did not start holds nothing, so retries leak nothing;
        // stopped, so the photo button tries again rather than wait for a photo
        ReleaseGraph();
        m_bStopped = 1;
        return hr;
    }
    m_bStopped = 0;
    return S_OK;
}

HRESULT CCaptureVideo::BuildGraph(int nIndex, const std::wstring* pName, HWND hPreview) {
    HRESULT hr = CreateGraphInterfaces();
    if (FAILED(hr))
        return Fail(CameraFault::GraphInterfaces, hr);
    if (!pName && nIndex < 0)
        return S_FALSE; // no camera listed
    if (!BindDevice(nIndex, pName, m_pCaptureFilter.Put()))
        return S_FALSE;
    if (m_pCaptureFilter)
        m_pGraph->AddFilter(m_pCaptureFilter.Get(), L"Capture Filter");
    CComPtr<IBaseFilter> pGrabberFilter;
    if (FAILED(hr = AddGrabber(pGrabberFilter)))
        return hr;
    if (FAILED(hr = RenderStream(pGrabberFilter.Get())))
        return hr;
    if (FAILED(hr = ReadFrameSize()))
        return hr;
    ConnectGrabberCallback();
    // the renderer's window belongs to this thread; it is placed now that
    // RenderStream has made it
    m_hPreviewWnd = hPreview;
    SetupPreviewWindow();
    return RunGraph();
}

// The grabber asks for RGB24 of any size and rate, and joins the graph.
HRESULT CCaptureVideo::AddGrabber(CComPtr<IBaseFilter>& pGrabberFilter) {
    HRESULT hr = ::CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleGrabber,
                                    reinterpret_cast<void**>(m_pGrabber.Put()));
    if (FAILED(hr))
        return Fail(CameraFault::CreateGrabber, hr);
    m_pGrabber.QueryInterface(IID_IBaseFilter, pGrabberFilter);

    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    hr = m_pGrabber->SetMediaType(&mt);
    if (FAILED(hr))
        return Fail(CameraFault::SetMediaType, hr);
    hr = m_pGraph->AddFilter(pGrabberFilter.Get(), L"Grabber");
    return FAILED(hr) ? Fail(CameraFault::AddGrabber, hr) : hr;
}

// The builder adds the default renderer behind the grabber; a camera with
// only a capture pin gets a tee and VFW_S_NOPREVIEWPIN, which is success.
HRESULT CCaptureVideo::RenderStream(IBaseFilter* pGrabberFilter) {
    if (!m_pCaptureFilter) {
        // nothing was bound at that position: the builder would fault on a
        // null source rather than fail
        return Fail(CameraFault::BuildGraph, VFW_E_NOT_CONNECTED);
    }
    HRESULT hr = m_pBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, m_pCaptureFilter.Get(),
                                          pGrabberFilter, nullptr);
    if (FAILED(hr)) {
        hr = m_pBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_pCaptureFilter.Get(), pGrabberFilter,
                                      nullptr);
        if (FAILED(hr))
            return Fail(CameraFault::BuildGraph, hr);
    }
    return hr;
}

// The frame size the callback writes into the photo file's header.
HRESULT CCaptureVideo::ReadFrameSize() {
    AM_MEDIA_TYPE connected{};
    HRESULT hr = m_pGrabber->GetConnectedMediaType(&connected);
    if (SUCCEEDED(hr) && (connected.formattype != FORMAT_VideoInfo || !connected.pbFormat ||
                          connected.cbFormat < sizeof(VIDEOINFOHEADER))) {
        FreeMediaTypeContents(connected);
        hr = VFW_E_INVALIDMEDIATYPE;
    }
    if (FAILED(hr))
        return Fail(CameraFault::ReadMediaType, hr);
    const auto* pVih = reinterpret_cast<const VIDEOINFOHEADER*>(connected.pbFormat);
    g_GrabberCB.m_lWidth = pVih->bmiHeader.biWidth;
    g_GrabberCB.m_lHeight = pVih->bmiHeader.biHeight;
    // a request armed while no graph ran is dropped
    g_GrabberCB.CancelPhoto();
    FreeMediaTypeContents(connected);
    return hr;
}

// Every frame reaches g_GrabberCB, which decides whether to use it.
void CCaptureVideo::ConnectGrabberCallback() {
    m_pGrabber->SetBufferSamples(FALSE);
    m_pGrabber->SetOneShot(FALSE);
    m_pGrabber->SetCallback(&g_GrabberCB, 1); // 1: BufferCB
}

HRESULT CCaptureVideo::RunGraph() {
    const HRESULT hr = m_pControl->Run();
    m_bGraphRan = true; // even a failed Run may have paused part of the graph
    return FAILED(hr) ? Fail(CameraFault::RunGraph, hr) : S_OK;
}

void CCaptureVideo::SetupPreviewWindow() {
    if (FAILED(m_pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(m_hPreviewWnd))))
        return;
    if (FAILED(m_pVideoWindow->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN)))
        return;
    RECT rc{};
    ::GetClientRect(m_hPreviewWnd, &rc);
    m_pVideoWindow->SetWindowPosition(0, 0, rc.right, rc.bottom);
    m_pVideoWindow->put_Visible(OATRUE);
}

HRESULT CCaptureVideo::StopPreview() {
    ReleaseGraph();
    m_bStopped = 1;
    return 0;
}

void CCaptureVideo::ReleaseGraph() {
    if (m_pControl) {
        // from the running state this returns once no callback can run any
        // more; a graph that never ran has nothing to stop
        if (m_bGraphRan)
            m_pControl->StopWhenReady();
    }
    m_bGraphRan = false;
    if (m_pEvent) {
        // events of a graph being released are no news
        m_pEvent->SetNotifyWindow(0, 0, 0);
        m_pEvent.Release();
    }
    if (m_pVideoWindow) {
        m_pVideoWindow->put_Visible(OAFALSE);
        m_pVideoWindow->put_Owner(0);
    }
    m_pControl.Release();
    m_pVideoWindow.Release();
    m_pGraph.Release();
    m_pCaptureFilter.Release();
    m_pGrabber.Release();
    m_pBuilder.Release();
}

GraphEvent CCaptureVideo::TakeGraphEvents() {
    GraphEvent gravest = GraphEvent::None;
    long nCode = 0;
    LONG_PTR nParam1 = 0, nParam2 = 0;
    while (m_pEvent && m_pEvent->GetEvent(&nCode, &nParam1, &nParam2, 0) == S_OK) {
        // EC_DEVICE_LOST's second parameter is 1 when the device is back
        if (nCode == EC_DEVICE_LOST && nParam2 == 0) {
            LogEvent(L"Camera: the graph reports the device lost");
            gravest = GraphEvent::DeviceLost;
        } else if (nCode == EC_ERRORABORT) {
            LogEvent(L"Camera: the graph stopped on an error (0x%08lX)", static_cast<unsigned long>(nParam1));
            if (gravest == GraphEvent::None)
                gravest = GraphEvent::ErrorAbort;
        }
        m_pEvent->FreeEventParams(nCode, nParam1, nParam2);
    }
    return gravest;
}
