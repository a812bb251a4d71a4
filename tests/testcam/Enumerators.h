// IEnumPins and IEnumMediaTypes of the test camera.
#pragma once

#include <dshow.h>

#include "TestCamModule.h"

class CEnumPins final : public IEnumPins {
public:
    static constexpr ULONG kMaxPins = 2;

    // Holds a reference on every pin (and so on the filter) while it lives.
    CEnumPins(IPin* const* ppPins, ULONG nPins, ULONG nPosition = 0);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    STDMETHODIMP Skip(ULONG cPins) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** ppEnum) override;

private:
    ~CEnumPins();

    LONG m_nRef = 1;
    CLiveObject m_live;
    IPin* m_pPins[kMaxPins] = {};
    ULONG m_nPins = 0;
    ULONG m_nPosition = 0;
};

// Lists the one media type a pin offers.
class CEnumMediaTypes final : public IEnumMediaTypes {
public:
    CEnumMediaTypes(IPin* pPin, const AM_MEDIA_TYPE& mt, ULONG nPosition = 0);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG cTypes, AM_MEDIA_TYPE** ppTypes, ULONG* pcFetched) override;
    STDMETHODIMP Skip(ULONG cTypes) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** ppEnum) override;

private:
    ~CEnumMediaTypes();

    LONG m_nRef = 1;
    CLiveObject m_live;
    IPin* m_pPin;              // keeps the type below alive
    const AM_MEDIA_TYPE& m_mt; // owned by the pin
    ULONG m_nPosition;
};
