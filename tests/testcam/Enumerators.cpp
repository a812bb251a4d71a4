#include "Enumerators.h"

#include <new>

#include "MediaTypes.h"

CEnumPins::CEnumPins(IPin* const* ppPins, ULONG nPins, ULONG nPosition)
    : m_nPins(nPins < kMaxPins ? nPins : kMaxPins), m_nPosition(nPosition) {
    for (ULONG i = 0; i < m_nPins; ++i) {
        m_pPins[i] = ppPins[i];
        m_pPins[i]->AddRef();
    }
}

CEnumPins::~CEnumPins() {
    for (ULONG i = 0; i < m_nPins; ++i)
        m_pPins[i]->Release();
}

STDMETHODIMP CEnumPins::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumPins) {
        *ppv = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumPins::AddRef() {
    return InterlockedIncrement(&m_nRef);
}

STDMETHODIMP_(ULONG) CEnumPins::Release() {
    const LONG nRef = InterlockedDecrement(&m_nRef);
    if (nRef == 0)
        delete this;
    return nRef;
}

STDMETHODIMP CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) {
    if (!ppPins || (cPins > 1 && !pcFetched))
        return E_POINTER;
    ULONG nFetched = 0;
    while (nFetched < cPins && m_nPosition < m_nPins) {
        ppPins[nFetched] = m_pPins[m_nPosition++];
        ppPins[nFetched++]->AddRef();
    }
    if (pcFetched)
        *pcFetched = nFetched;
    return nFetched == cPins ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG cPins) {
    const ULONG nLeft = m_nPins - m_nPosition;
    m_nPosition += cPins < nLeft ? cPins : nLeft;
    return cPins <= nLeft ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Reset() {
    m_nPosition = 0;
    return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = new (std::nothrow) CEnumPins(m_pPins, m_nPins, m_nPosition);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

CEnumMediaTypes::CEnumMediaTypes(IPin* pPin, const AM_MEDIA_TYPE& mt, ULONG nPosition)
    : m_pPin(pPin), m_mt(mt), m_nPosition(nPosition) {
    m_pPin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() {
    m_pPin->Release();
}

STDMETHODIMP CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes) {
        *ppv = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::AddRef() {
    return InterlockedIncrement(&m_nRef);
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::Release() {
    const LONG nRef = InterlockedDecrement(&m_nRef);
    if (nRef == 0)
        delete this;
    return nRef;
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched) {
    if (!ppTypes || (cTypes > 1 && !pcFetched))
        return E_POINTER;
    ULONG nFetched = 0;
    if (cTypes > 0 && m_nPosition == 0) {
        auto* pmt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        if (!pmt)
            return E_OUTOFMEMORY;
        if (FAILED(CopyMediaTypeContents(pmt, m_mt))) {
            CoTaskMemFree(pmt);
            return E_OUTOFMEMORY;
        }
        ppTypes[nFetched++] = pmt;
        m_nPosition = 1;
    }
    if (pcFetched)
        *pcFetched = nFetched;
    return nFetched == cTypes ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG cTypes) {
    if (cTypes == 0)
        return S_OK;
    const bool bHadOne = m_nPosition == 0;
    m_nPosition = 1;
    return (bHadOne && cTypes == 1) ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
    m_nPosition = 0;
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = new (std::nothrow) CEnumMediaTypes(m_pPin, m_mt, m_nPosition);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}
