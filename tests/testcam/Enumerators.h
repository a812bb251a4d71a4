// IEnumPins and IEnumMediaTypes of the test camera: one enumerator over a
// short fixed list, with traits that say what it hands out and how.
#pragma once

#include <dshow.h>

#include <new>

#include "TestCamModule.h"

// Hands out a fixed list of at most kMaxItems items. Traits names the
// Interface, its Iid, the Item kept and the Out type handed to the caller, and
// says how an item is copied out (CopyOut) and taken back when a later one
// cannot be (Free).
template <class Traits> class CEnumerator final : public Traits::Interface {
public:
    using Interface = typename Traits::Interface;
    using Item = typename Traits::Item;
    using Out = typename Traits::Out;
    static constexpr ULONG kMaxItems = 2;

    // Holds a reference on the owner, which keeps the items alive, while it lives.
    CEnumerator(IUnknown* pOwner, const Item* pItems, ULONG nItems, ULONG nPosition = 0)
        : m_pOwner(pOwner), m_nItems(nItems < kMaxItems ? nItems : kMaxItems), m_nPosition(nPosition) {
        m_pOwner->AddRef();
        for (ULONG i = 0; i < nItems && i < kMaxItems; ++i)
            m_items[i] = pItems[i];
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == Traits::Iid()) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_nRef); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG nRef = InterlockedDecrement(&m_nRef);
        if (nRef == 0)
            delete this;
        return nRef;
    }

    STDMETHODIMP Next(ULONG cItems, Out* pOut, ULONG* pcFetched) override {
        if (!pOut || (cItems > 1 && !pcFetched))
            return E_POINTER;
        ULONG nFetched = 0;
        while (nFetched < cItems && m_nPosition < m_nItems) {
            if (const HRESULT hr = Traits::CopyOut(m_items[m_nPosition], pOut[nFetched]); FAILED(hr)) {
                while (nFetched > 0)
                    Traits::Free(pOut[--nFetched]);
                if (pcFetched)
                    *pcFetched = 0;
                return hr;
            }
            ++m_nPosition;
            ++nFetched;
        }
        if (pcFetched)
            *pcFetched = nFetched;
        return nFetched == cItems ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cItems) override {
        const ULONG nLeft = m_nItems - m_nPosition;
        m_nPosition += cItems < nLeft ? cItems : nLeft;
        return cItems <= nLeft ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        m_nPosition = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Interface** ppEnum) override {
        if (!ppEnum)
            return E_POINTER;
        *ppEnum = new (std::nothrow) CEnumerator(m_pOwner, m_items, m_nItems, m_nPosition);
        return *ppEnum ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~CEnumerator() { m_pOwner->Release(); }

    LONG m_nRef = 1;
    CLiveObject m_live;
    IUnknown* m_pOwner;
    Item m_items[kMaxItems] = {};
    ULONG m_nItems;
    ULONG m_nPosition;
};

// The filter's pins, each handed out with a reference.
struct CPinTraits {
    using Interface = IEnumPins;
    using Item = IPin*;
    using Out = IPin*;
    static REFIID Iid() { return IID_IEnumPins; }
    static HRESULT CopyOut(IPin* pPin, IPin*& pOut) {
        pOut = pPin;
        pPin->AddRef();
        return S_OK;
    }
    static void Free(IPin* pPin) { pPin->Release(); }
};
using CEnumPins = CEnumerator<CPinTraits>;

// The one media type a pin offers, handed out as a copy the caller frees.
struct CMediaTypeTraits {
    using Interface = IEnumMediaTypes;
    using Item = const AM_MEDIA_TYPE*; // owned by the pin
    using Out = AM_MEDIA_TYPE*;
    static REFIID Iid() { return IID_IEnumMediaTypes; }
    static HRESULT CopyOut(const AM_MEDIA_TYPE* pmt, AM_MEDIA_TYPE*& pOut);
    static void Free(AM_MEDIA_TYPE* pmt);
};
using CEnumMediaTypes = CEnumerator<CMediaTypeTraits>;
