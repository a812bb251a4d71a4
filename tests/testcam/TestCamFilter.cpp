#include "TestCamFilter.h"

#include <new>

#include "Enumerators.h"
#include "TestCamPin.h"

CTestCamFilter::CTestCamFilter() {
    InitializeCriticalSection(&m_csFilter);
    InitializeCriticalSection(&m_csClock);
}

CTestCamFilter::~CTestCamFilter() {
    Stop(); // the graph stops filters before it lets go of them, but be safe
    DeletePins();
    if (m_pClock)
        m_pClock->Release();
    DeleteCriticalSection(&m_csClock);
    DeleteCriticalSection(&m_csFilter);
}

HRESULT CTestCamFilter::Init() {
    return CreatePins(m_settings);
}

HRESULT CTestCamFilter::CreatePins(const CTestCamSettings& settings) {
    DeletePins();
    m_pPins[m_nPins++] = new (std::nothrow) CTestCamPin(this, L"Capture", PIN_CATEGORY_CAPTURE, settings);
    if (settings.m_mode != ETestCamMode::CaptureOnly)
        m_pPins[m_nPins++] = new (std::nothrow) CTestCamPin(this, L"Preview", PIN_CATEGORY_PREVIEW, settings);
    for (int i = 0; i < m_nPins; ++i) {
        const HRESULT hr = m_pPins[i] ? m_pPins[i]->Init() : E_OUTOFMEMORY;
        if (FAILED(hr)) {
            DeletePins();
            return hr;
        }
    }
    return S_OK;
}

void CTestCamFilter::DeletePins() {
    for (int i = 0; i < m_nPins; ++i)
        delete m_pPins[i];
    m_nPins = 0;
}

bool CTestCamFilter::AnyPinConnected() const {
    for (int i = 0; i < m_nPins; ++i) {
        if (m_pPins[i]->IsConnected())
            return true;
    }
    return false;
}

STDMETHODIMP CTestCamFilter::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter)
        *ppv = static_cast<IBaseFilter*>(this);
    else if (riid == IID_IPersistPropertyBag)
        *ppv = static_cast<IPersistPropertyBag*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CTestCamFilter::AddRef() {
    return InterlockedIncrement(&m_nRef);
}

STDMETHODIMP_(ULONG) CTestCamFilter::Release() {
    const LONG nRef = InterlockedDecrement(&m_nRef);
    if (nRef == 0)
        delete this;
    return nRef;
}

STDMETHODIMP CTestCamFilter::GetClassID(CLSID* pClsid) {
    if (!pClsid)
        return E_POINTER;
    *pClsid = CLSID_TestCam;
    return S_OK;
}

STDMETHODIMP CTestCamFilter::Stop() {
    CAutoLock lock(&m_csFilter);
    for (int i = 0; i < m_nPins; ++i)
        m_pPins[i]->Inactivate();
    m_nState = State_Stopped;
    return S_OK;
}

STDMETHODIMP CTestCamFilter::Pause() {
    CAutoLock lock(&m_csFilter);
    if (m_nState == State_Stopped) {
        for (int i = 0; i < m_nPins; ++i) {
            const HRESULT hr = m_pPins[i]->Activate();
            if (FAILED(hr))
                return hr;
        }
    }
    // a running streaming thread holds its frames back while paused
    m_nState = State_Paused;
    return S_OK;
}

STDMETHODIMP CTestCamFilter::Run(REFERENCE_TIME tStart) {
    CAutoLock lock(&m_csFilter);
    if (m_nState == State_Stopped) {
        const HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    {
        CAutoLock clockLock(&m_csClock);
        m_tStart = tStart;
    }
    m_nState = State_Running;
    for (int i = 0; i < m_nPins; ++i) {
        const HRESULT hr = m_pPins[i]->StartStreaming();
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

STDMETHODIMP CTestCamFilter::GetState(DWORD, FILTER_STATE* pState) {
    if (!pState)
        return E_POINTER;
    *pState = static_cast<FILTER_STATE>(m_nState);
    // a live source has nothing to show while paused; the graph must not wait for it
    return *pState == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP CTestCamFilter::SetSyncSource(IReferenceClock* pClock) {
    CAutoLock lock(&m_csClock);
    if (pClock)
        pClock->AddRef();
    if (m_pClock)
        m_pClock->Release();
    m_pClock = pClock;
    return S_OK;
}

STDMETHODIMP CTestCamFilter::GetSyncSource(IReferenceClock** ppClock) {
    if (!ppClock)
        return E_POINTER;
    CAutoLock lock(&m_csClock);
    *ppClock = m_pClock;
    if (m_pClock)
        m_pClock->AddRef();
    return S_OK;
}

bool CTestCamFilter::GetStreamTime(REFERENCE_TIME* pTime) {
    CAutoLock lock(&m_csClock);
    REFERENCE_TIME rtNow = 0;
    if (!m_pClock || FAILED(m_pClock->GetTime(&rtNow)))
        return false;
    *pTime = rtNow - m_tStart;
    return true;
}

STDMETHODIMP CTestCamFilter::EnumPins(IEnumPins** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    CAutoLock lock(&m_csFilter);
    IPin* pPins[kMaxPins] = {};
    for (int i = 0; i < m_nPins; ++i)
        pPins[i] = m_pPins[i];
    *ppEnum = new (std::nothrow) CEnumPins(static_cast<IBaseFilter*>(this), pPins, static_cast<ULONG>(m_nPins));
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CTestCamFilter::FindPin(LPCWSTR pszId, IPin** ppPin) {
    if (!pszId || !ppPin)
        return E_POINTER;
    CAutoLock lock(&m_csFilter);
    for (int i = 0; i < m_nPins; ++i) {
        if (lstrcmpW(pszId, m_pPins[i]->Name()) == 0) {
            *ppPin = m_pPins[i];
            (*ppPin)->AddRef();
            return S_OK;
        }
    }
    *ppPin = nullptr;
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CTestCamFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    if (!pInfo)
        return E_POINTER;
    CAutoLock lock(&m_csFilter);
    lstrcpynW(pInfo->achName, m_szName, MAX_FILTER_NAME);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph)
        m_pGraph->AddRef();
    return S_OK;
}

STDMETHODIMP CTestCamFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) {
    CAutoLock lock(&m_csFilter);
    m_pGraph = pGraph;
    lstrcpynW(m_szName, pszName ? pszName : L"", MAX_FILTER_NAME);
    return S_OK;
}

STDMETHODIMP CTestCamFilter::QueryVendorInfo(LPWSTR*) {
    return E_NOTIMPL;
}

STDMETHODIMP CTestCamFilter::InitNew() {
    return S_OK;
}

STDMETHODIMP CTestCamFilter::Load(IPropertyBag* pPropBag, IErrorLog*) {
    if (!pPropBag)
        return E_POINTER;
    CAutoLock lock(&m_csFilter);
    if (!IsStopped() || AnyPinConnected())
        return VFW_E_WRONG_STATE;
    CTestCamSettings settings;
    HRESULT hr = ReadTestCamSettings(pPropBag, &settings);
    if (FAILED(hr))
        return hr;
    if (settings.m_mode == ETestCamMode::FailBind)
        return E_FAIL;
    hr = CreatePins(settings);
    if (SUCCEEDED(hr))
        m_settings = settings;
    return hr;
}

STDMETHODIMP CTestCamFilter::Save(IPropertyBag*, BOOL, BOOL) {
    return E_NOTIMPL;
}
