#include "TestCamPin.h"

#include <new>

#include "Enumerators.h"
#include "MediaTypes.h"
#include "TestCamFilter.h"

CTestCamPin::CTestCamPin(CTestCamFilter* pFilter, const wchar_t* pszName, const GUID& category,
                         const CTestCamSettings& settings)
    : m_pFilter(pFilter), m_category(category), m_settings(settings) {
    lstrcpynW(m_szName, pszName, ARRAYSIZE(m_szName));
}

CTestCamPin::~CTestCamPin() {
    Inactivate();
    ReleaseConnection();
    FreeMediaTypeContents(&m_mt);
    if (m_hStopEvent)
        CloseHandle(m_hStopEvent);
}

HRESULT CTestCamPin::Init() {
    m_hStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStopEvent)
        return HRESULT_FROM_WIN32(GetLastError());
    return CreateTestCamMediaType(m_settings, &m_mt);
}

STDMETHODIMP CTestCamPin::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin*>(this);
    else if (riid == IID_IKsPropertySet)
        *ppv = static_cast<IKsPropertySet*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CTestCamPin::AddRef() {
    return m_pFilter->AddRef();
}
STDMETHODIMP_(ULONG) CTestCamPin::Release() {
    return m_pFilter->Release();
}

STDMETHODIMP CTestCamPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    if (!pReceivePin)
        return E_POINTER;
    CAutoLock lock(m_pFilter->FilterLock());
    if (m_pConnected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (pmt && !IsPartialMatch(*pmt, m_mt))
        return VFW_E_NO_ACCEPTABLE_TYPES;

    // set before ReceiveConnection: the peer may ask us about the connection meanwhile
    m_pConnected = pReceivePin;
    m_pConnected->AddRef();
    HRESULT hr = pReceivePin->ReceiveConnection(this, &m_mt);
    if (FAILED(hr)) {
        ReleaseConnection();
        return VFW_E_NO_ACCEPTABLE_TYPES;
    }
    hr = pReceivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_pInput));
    if (SUCCEEDED(hr))
        hr = DecideAllocator(m_pInput);
    if (FAILED(hr)) {
        pReceivePin->Disconnect();
        ReleaseConnection();
    }
    return hr;
}

STDMETHODIMP CTestCamPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
    return E_UNEXPECTED; // an output pin never receives a connection
}

STDMETHODIMP CTestCamPin::Disconnect() {
    CAutoLock lock(m_pFilter->FilterLock());
    if (!m_pFilter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (!m_pConnected)
        return S_FALSE;
    ReleaseConnection();
    return S_OK;
}

void CTestCamPin::ReleaseConnection() {
    if (m_pAllocator) {
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    if (m_pInput) {
        m_pInput->Release();
        m_pInput = nullptr;
    }
    if (m_pConnected) {
        m_pConnected->Release();
        m_pConnected = nullptr;
    }
}

STDMETHODIMP CTestCamPin::ConnectedTo(IPin** ppPin) {
    if (!ppPin)
        return E_POINTER;
    CAutoLock lock(m_pFilter->FilterLock());
    *ppPin = m_pConnected;
    if (!m_pConnected)
        return VFW_E_NOT_CONNECTED;
    m_pConnected->AddRef();
    return S_OK;
}

STDMETHODIMP CTestCamPin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    if (!pmt)
        return E_POINTER;
    CAutoLock lock(m_pFilter->FilterLock());
    if (!m_pConnected) {
        ZeroMemory(pmt, sizeof(*pmt));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaTypeContents(pmt, m_mt);
}

STDMETHODIMP CTestCamPin::QueryPinInfo(PIN_INFO* pInfo) {
    if (!pInfo)
        return E_POINTER;
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    pInfo->dir = PINDIR_OUTPUT;
    lstrcpynW(pInfo->achName, m_szName, MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP CTestCamPin::QueryDirection(PIN_DIRECTION* pDir) {
    if (!pDir)
        return E_POINTER;
    *pDir = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CTestCamPin::QueryId(LPWSTR* pId) {
    if (!pId)
        return E_POINTER;
    const size_t cb = (lstrlenW(m_szName) + 1) * sizeof(wchar_t);
    *pId = static_cast<LPWSTR>(CoTaskMemAlloc(cb));
    if (!*pId)
        return E_OUTOFMEMORY;
    CopyMemory(*pId, m_szName, cb);
    return S_OK;
}

STDMETHODIMP CTestCamPin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
    if (!pmt)
        return E_POINTER;
    return IsSameMediaType(*pmt, m_mt) ? S_OK : S_FALSE;
}

STDMETHODIMP CTestCamPin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    const AM_MEDIA_TYPE* pmt = &m_mt;
    *ppEnum = new (std::nothrow) CEnumMediaTypes(static_cast<IPin*>(this), &pmt, 1);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CTestCamPin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}
STDMETHODIMP CTestCamPin::EndOfStream() {
    return E_UNEXPECTED;
}
STDMETHODIMP CTestCamPin::BeginFlush() {
    return E_UNEXPECTED;
}
STDMETHODIMP CTestCamPin::EndFlush() {
    return E_UNEXPECTED;
}
STDMETHODIMP CTestCamPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    return S_OK;
}

STDMETHODIMP CTestCamPin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
    return E_NOTIMPL; // the category is fixed
}

STDMETHODIMP CTestCamPin::Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID, DWORD, LPVOID pPropData, DWORD cbPropData,
                              DWORD* pcbReturned) {
    if (guidPropSet != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (dwPropID != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (!pPropData && !pcbReturned)
        return E_POINTER;
    if (pcbReturned)
        *pcbReturned = sizeof(GUID);
    if (!pPropData)
        return S_OK; // the caller only asked for the size
    if (cbPropData < sizeof(GUID))
        return E_UNEXPECTED;
    *static_cast<GUID*>(pPropData) = m_category;
    return S_OK;
}

STDMETHODIMP CTestCamPin::QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) {
    if (guidPropSet != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (dwPropID != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (pTypeSupport)
        *pTypeSupport = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}
