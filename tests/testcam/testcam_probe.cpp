// Drives video input devices through the graph the kiosk builds: capture
// filter, sample grabber (RGB24) and the default renderer in a preview window.
//
//   testcam_probe list
//   testcam_probe run INDEX [--size WxH] [--frames N] [--cycles N] [--hold-ms N]
//                           [--expect-bind-fail] [--expect-silent]
//
// "list" prints the friendly names in enumeration order. "run" binds the device
// at position INDEX, checks N frames, tears the graph down and checks that the
// test camera DLL has no live objects left; it repeats that --cycles times.
// The exit code is 0 only when every check passed.
#include <windows.h>

#include <dshow.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "ProbeGrabberCB.h"
#include "../../capture/SampleGrabber.h"

namespace {
struct CProbeOptions {
    int m_nIndex = 0;
    int m_nWidth = 640;
    int m_nHeight = 480;
    int m_nFrames = 10;
    int m_nCycles = 1;
    int m_nHoldMs = 0;
    bool m_bExpectBindFail = false;
    bool m_bExpectSilent = false;
};

constexpr DWORD kFrameTimeoutMs = 10000;
constexpr DWORD kSilentWaitMs = 1500; // absence of frames can only be shown by waiting
constexpr DWORD kReleaseTimeoutMs = 5000;

int g_nFailures = 0;

void Fail(const char* pszWhat, HRESULT hr = S_OK) {
    std::printf("FAIL: %s (hr=0x%08lx)\n", pszWhat, static_cast<unsigned long>(hr));
    ++g_nFailures;
}

template <class T> void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Waits for a condition while the renderer's window, owned by ours, gets its messages.
template <class F> bool WaitWhilePumping(DWORD nTimeoutMs, F isDone) {
    const DWORD nStart = GetTickCount();
    while (!isDone()) {
        if (GetTickCount() - nStart >= nTimeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

HWND CreatePreviewOwner() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"TestCamProbePreview";
    RegisterClassW(&wc); // fails harmlessly on later cycles
    return CreateWindowExW(0, wc.lpszClassName, L"Test camera preview", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 680,
                           520, nullptr, nullptr, wc.hInstance, nullptr);
}

HRESULT CreateVideoEnum(IEnumMoniker** ppEnum) {
    *ppEnum = nullptr;
    ICreateDevEnum* pDevEnum = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  reinterpret_cast<void**>(&pDevEnum));
    if (FAILED(hr))
        return hr;
    hr = pDevEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, ppEnum, 0);
    pDevEnum->Release();
    return hr; // S_FALSE: the category is empty
}

int ListDevices() {
    IEnumMoniker* pEnum = nullptr;
    const HRESULT hr = CreateVideoEnum(&pEnum);
    if (hr != S_OK) {
        std::printf("no video input devices (hr=0x%08lx)\n", static_cast<unsigned long>(hr));
        return 0;
    }
    IMoniker* pMoniker = nullptr;
    for (int i = 0; pEnum->Next(1, &pMoniker, nullptr) == S_OK; ++i) {
        IPropertyBag* pBag = nullptr;
        VARIANT name;
        VariantInit(&name);
        V_VT(&name) = VT_BSTR;
        if (SUCCEEDED(pMoniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&pBag))) &&
            pBag->Read(L"FriendlyName", &name, nullptr) == S_OK)
            std::printf("%d: %ls\n", i, V_BSTR(&name));
        else
            std::printf("%d: <no name>\n", i);
        VariantClear(&name);
        SafeRelease(pBag);
        SafeRelease(pMoniker);
    }
    pEnum->Release();
    return 0;
}

// Binds the moniker at position nIndex of the enumeration, named or not.
HRESULT BindDevice(int nIndex, IBaseFilter** ppFilter) {
    *ppFilter = nullptr;
    IEnumMoniker* pEnum = nullptr;
    HRESULT hr = CreateVideoEnum(&pEnum);
    if (hr != S_OK)
        return FAILED(hr) ? hr : E_FAIL;
    IMoniker* pMoniker = nullptr;
    hr = VFW_E_NOT_FOUND;
    for (int i = 0; pEnum->Next(1, &pMoniker, nullptr) == S_OK; ++i) {
        if (i == nIndex)
            hr = pMoniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(ppFilter));
        SafeRelease(pMoniker);
        if (i == nIndex)
            break;
    }
    pEnum->Release();
    return hr;
}

using PfnLiveObjects = LONG(WINAPI*)();
PfnLiveObjects g_pfnLiveObjects = nullptr;

// The DLL is loaded by COM when the first filter binds; pin it so its counter
// stays readable after COM lets go of it.
void FindLiveObjectCounter() {
    if (g_pfnLiveObjects)
        return;
    HMODULE hModule = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"TestCam.dll", &hModule))
        g_pfnLiveObjects =
            reinterpret_cast<PfnLiveObjects>(reinterpret_cast<void*>(GetProcAddress(hModule, "TestCamLiveObjects")));
}

LONG LiveObjects() {
    return g_pfnLiveObjects ? g_pfnLiveObjects() : 0;
}

// What the kiosk holds while a preview runs.
struct CProbeGraph {
    IGraphBuilder* m_pGraph = nullptr;
    ICaptureGraphBuilder2* m_pBuilder = nullptr;
    IBaseFilter* m_pCaptureFilter = nullptr;
    IMediaControl* m_pControl = nullptr;
    IVideoWindow* m_pVideoWindow = nullptr;
    ISampleGrabber* m_pGrabber = nullptr;

    // the kiosk's StopPreview, in its order
    void Stop() {
        if (m_pControl)
            m_pControl->StopWhenReady();
        if (m_pVideoWindow) {
            m_pVideoWindow->put_Visible(OAFALSE);
            m_pVideoWindow->put_Owner(0);
        }
        SafeRelease(m_pControl);
        SafeRelease(m_pVideoWindow);
        SafeRelease(m_pGraph);
        SafeRelease(m_pCaptureFilter);
        SafeRelease(m_pGrabber);
        SafeRelease(m_pBuilder);
    }
};

HRESULT CreateGraphInterfaces(CProbeGraph* pGraph) {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&pGraph->m_pGraph));
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                              reinterpret_cast<void**>(&pGraph->m_pBuilder));
    if (SUCCEEDED(hr))
        hr = pGraph->m_pBuilder->SetFiltergraph(pGraph->m_pGraph);
    if (SUCCEEDED(hr))
        hr = pGraph->m_pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&pGraph->m_pControl));
    if (SUCCEEDED(hr))
        hr = pGraph->m_pGraph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&pGraph->m_pVideoWindow));
    return hr;
}

void PrintGraphFilters(IGraphBuilder* pGraph) {
    IEnumFilters* pEnum = nullptr;
    if (FAILED(pGraph->EnumFilters(&pEnum)))
        return;
    std::printf("  filters:");
    IBaseFilter* pFilter = nullptr;
    while (pEnum->Next(1, &pFilter, nullptr) == S_OK) {
        FILTER_INFO info = {};
        if (SUCCEEDED(pFilter->QueryFilterInfo(&info))) {
            std::printf(" [%ls]", info.achName);
            SafeRelease(info.pGraph);
        }
        pFilter->Release();
    }
    std::printf("\n");
    pEnum->Release();
}

// Capture filter, grabber and renderer connected; the grabber's connected format in *pVih.
HRESULT BuildPreview(CProbeGraph* pGraph, VIDEOINFOHEADER* pVih) {
    pGraph->m_pGraph->AddFilter(pGraph->m_pCaptureFilter, L"Capture Filter");
    HRESULT hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleGrabber,
                                  reinterpret_cast<void**>(&pGraph->m_pGrabber));
    if (FAILED(hr))
        return hr;
    IBaseFilter* pGrabberFilter = nullptr;
    hr = pGraph->m_pGrabber->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&pGrabberFilter));
    if (FAILED(hr))
        return hr;
    AM_MEDIA_TYPE mt = {};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    hr = pGraph->m_pGrabber->SetMediaType(&mt);
    if (SUCCEEDED(hr))
        hr = pGraph->m_pGraph->AddFilter(pGrabberFilter, L"Grabber");
    if (SUCCEEDED(hr)) {
        hr = pGraph->m_pBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, pGraph->m_pCaptureFilter,
                                              pGrabberFilter, nullptr);
        std::printf("  RenderStream(preview) hr=0x%08lx\n", static_cast<unsigned long>(hr));
        if (FAILED(hr)) {
            hr = pGraph->m_pBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, pGraph->m_pCaptureFilter,
                                                  pGrabberFilter, nullptr);
            std::printf("  RenderStream(capture) hr=0x%08lx\n", static_cast<unsigned long>(hr));
        }
    }
    pGrabberFilter->Release();
    if (FAILED(hr))
        return hr;
    PrintGraphFilters(pGraph->m_pGraph);
    hr = pGraph->m_pGrabber->GetConnectedMediaType(&mt);
    if (FAILED(hr))
        return hr;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER))
        *pVih = *reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat);
    else
        hr = VFW_E_INVALIDMEDIATYPE;
    if (mt.subtype != MEDIASUBTYPE_RGB24)
        hr = VFW_E_INVALIDSUBTYPE;
    if (mt.cbFormat)
        CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk)
        mt.pUnk->Release();
    return hr;
}

void ShowPreview(CProbeGraph* pGraph, HWND hOwner) {
    RECT rc;
    GetClientRect(hOwner, &rc);
    IVideoWindow* pWindow = pGraph->m_pVideoWindow;
    if (FAILED(pWindow->put_Owner(reinterpret_cast<OAHWND>(hOwner))) ||
        FAILED(pWindow->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN))) {
        Fail("the renderer's window cannot be owned");
        return;
    }
    pWindow->SetWindowPosition(0, 0, rc.right, rc.bottom);
    pWindow->put_Visible(OATRUE);
}

// Runs the graph and waits for the frames; the graph is stopped by the caller.
void RunPreview(CProbeGraph* pGraph, const CProbeOptions& options, CProbeGrabberCB* pCallback, HWND hOwner) {
    pGraph->m_pGrabber->SetBufferSamples(FALSE);
    pGraph->m_pGrabber->SetOneShot(FALSE);
    pGraph->m_pGrabber->SetCallback(pCallback, 1);
    ShowPreview(pGraph, hOwner);
    const HRESULT hr = pGraph->m_pControl->Run();
    if (FAILED(hr))
        return Fail("the graph does not run", hr);
    if (options.m_bExpectSilent) {
        WaitWhilePumping(kSilentWaitMs, [] { return false; });
        if (pCallback->FrameCount() != 0)
            Fail("a silent camera delivered frames");
    } else if (!WaitWhilePumping(kFrameTimeoutMs, [&] { return pCallback->FrameCount() >= options.m_nFrames; }))
        Fail("too few frames arrived");
    if (options.m_nHoldMs > 0)
        WaitWhilePumping(static_cast<DWORD>(options.m_nHoldMs), [] { return false; });
    // proves the counter that must drop to zero later is the live one
    if (LiveObjects() <= 0)
        Fail("the test camera reports no live objects while it runs");
}

void ReportFrames(const CProbeGrabberCB& callback) {
    for (const std::string& error : callback.Errors())
        Fail(error.c_str());
    const std::vector<int> columns = callback.ColumnPositions();
    std::printf("  %d frames, green column at x =", callback.FrameCount());
    for (size_t i = 0; i < columns.size() && i < 12; ++i)
        std::printf(" %d", columns[i]);
    std::printf(columns.size() > 12 ? " ...\n" : "\n");
}

void RunCycle(const CProbeOptions& options, HWND hOwner) {
    // outlives the graph, as the kiosk's global callback does
    CProbeGrabberCB callback(options.m_nWidth, options.m_nHeight);
    CProbeGraph graph;
    HRESULT hr = CreateGraphInterfaces(&graph);
    if (FAILED(hr))
        return Fail("graph interfaces", hr);
    hr = BindDevice(options.m_nIndex, &graph.m_pCaptureFilter);
    FindLiveObjectCounter();
    if (SUCCEEDED(hr) && !g_pfnLiveObjects)
        Fail("the bound device is not the test camera DLL");
    VIDEOINFOHEADER vih = {};
    if (options.m_bExpectBindFail) {
        // no graph is built: Wine's RenderStream faults on a null source filter
        if (SUCCEEDED(hr) || graph.m_pCaptureFilter)
            Fail("the device was expected not to bind");
    } else if (FAILED(hr))
        Fail("the device does not bind", hr);
    else if (FAILED(hr = BuildPreview(&graph, &vih)))
        Fail("the preview graph cannot be built", hr);
    else if (vih.bmiHeader.biWidth != options.m_nWidth || vih.bmiHeader.biHeight != options.m_nHeight)
        Fail("the connected size differs from the expected one");
    else
        RunPreview(&graph, options, &callback, hOwner);
    graph.Stop();
    if (!options.m_bExpectBindFail)
        ReportFrames(callback);
}

bool ParseSize(const wchar_t* psz, int* pnWidth, int* pnHeight) {
    return std::swscanf(psz, L"%dx%d", pnWidth, pnHeight) == 2 && *pnWidth > 0 && *pnHeight > 0;
}

bool ParseRunOptions(int argc, wchar_t** argv, CProbeOptions* pOptions) {
    if (argc < 3)
        return false;
    pOptions->m_nIndex = _wtoi(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const bool bHasValue = i + 1 < argc;
        if (!std::wcscmp(argv[i], L"--size") && bHasValue) {
            if (!ParseSize(argv[++i], &pOptions->m_nWidth, &pOptions->m_nHeight))
                return false;
        } else if (!std::wcscmp(argv[i], L"--frames") && bHasValue)
            pOptions->m_nFrames = _wtoi(argv[++i]);
        else if (!std::wcscmp(argv[i], L"--cycles") && bHasValue)
            pOptions->m_nCycles = _wtoi(argv[++i]);
        else if (!std::wcscmp(argv[i], L"--hold-ms") && bHasValue)
            pOptions->m_nHoldMs = _wtoi(argv[++i]);
        else if (!std::wcscmp(argv[i], L"--expect-bind-fail"))
            pOptions->m_bExpectBindFail = true;
        else if (!std::wcscmp(argv[i], L"--expect-silent"))
            pOptions->m_bExpectSilent = true;
        else
            return false;
    }
    return pOptions->m_nFrames > 0 && pOptions->m_nCycles > 0;
}

int RunCycles(const CProbeOptions& options) {
    HWND hOwner = CreatePreviewOwner();
    for (int nCycle = 1; nCycle <= options.m_nCycles; ++nCycle) {
        const HRESULT hr = CoInitialize(nullptr);
        if (FAILED(hr)) {
            Fail("CoInitialize", hr);
            break;
        }
        RunCycle(options, hOwner);
        CoUninitialize();
        // StopWhenReady on a graph that never ran stops it from a worker
        // thread, which also drops the graph's last reference a little later
        WaitWhilePumping(kReleaseTimeoutMs, [] { return LiveObjects() == 0; });
        const LONG nLive = LiveObjects();
        std::printf("cycle %d: live objects %ld\n", nCycle, static_cast<long>(nLive));
        if (nLive != 0)
            Fail("objects of the test camera are still alive");
    }
    DestroyWindow(hOwner);
    return g_nFailures == 0 ? 0 : 1;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && !std::wcscmp(argv[1], L"list")) {
        CoInitialize(nullptr);
        const int nResult = ListDevices();
        CoUninitialize();
        return nResult;
    }
    CProbeOptions options;
    if (argc >= 2 && !std::wcscmp(argv[1], L"run") && ParseRunOptions(argc, argv, &options)) {
        const int nResult = RunCycles(options);
        std::printf(nResult == 0 ? "PASS\n" : "FAILED: %d check(s)\n", g_nFailures);
        return nResult;
    }
    std::fprintf(stderr, "usage: testcam_probe list | run INDEX [--size WxH] [--frames N] [--cycles N]\n"
                         "       [--hold-ms N] [--expect-bind-fail] [--expect-silent]\n");
    return 2;
}
