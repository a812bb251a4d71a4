// Settings of one device instance, read from the moniker's property bag.
#include "TestCamFilter.h"

namespace {
// S_FALSE when the value is absent; REG_SZ and REG_DWORD are both accepted.
HRESULT ReadBagValue(IPropertyBag* pBag, const wchar_t* pszName, VARTYPE vt, VARIANT* pValue) {
    VariantInit(pValue);
    HRESULT hr = pBag->Read(pszName, pValue, nullptr);
    if (FAILED(hr))
        return S_FALSE;
    hr = VariantChangeType(pValue, pValue, 0, vt);
    if (FAILED(hr))
        VariantClear(pValue);
    return hr;
}

HRESULT ReadBagInt(IPropertyBag* pBag, const wchar_t* pszName, int32_t* pnValue) {
    VARIANT value;
    const HRESULT hr = ReadBagValue(pBag, pszName, VT_I4, &value);
    if (hr == S_OK)
        *pnValue = V_I4(&value);
    return hr;
}

HRESULT ReadBagMode(IPropertyBag* pBag, ETestCamMode* pMode) {
    VARIANT value;
    HRESULT hr = ReadBagValue(pBag, L"Mode", VT_BSTR, &value);
    if (hr != S_OK)
        return hr;
    if (!ParseTestCamMode(V_BSTR(&value) ? V_BSTR(&value) : L"", pMode))
        hr = E_INVALIDARG;
    VariantClear(&value);
    return hr;
}
} // namespace

HRESULT ReadTestCamSettings(IPropertyBag* pBag, CTestCamSettings* pSettings) {
    CTestCamSettings settings;
    HRESULT hr = ReadBagInt(pBag, L"Width", &settings.m_nWidth);
    if (SUCCEEDED(hr))
        hr = ReadBagInt(pBag, L"Height", &settings.m_nHeight);
    if (SUCCEEDED(hr))
        hr = ReadBagInt(pBag, L"Fps", &settings.m_nFps);
    if (SUCCEEDED(hr))
        hr = ReadBagMode(pBag, &settings.m_mode);
    if (SUCCEEDED(hr))
        hr = ReadBagInt(pBag, L"LostAfter", &settings.m_nLostAfterMs);
    if (SUCCEEDED(hr))
        hr = ReadBagInt(pBag, L"BackAfter", &settings.m_nBackAfterMs);
    if (FAILED(hr))
        return hr;
    if (!IsValidTestCamSettings(settings))
        return E_INVALIDARG;
    *pSettings = settings;
    return S_OK;
}

void ReadTestCamName(IPropertyBag* pBag, wchar_t* pszName, int cchName) {
    pszName[0] = L'\0';
    VARIANT value;
    if (ReadBagValue(pBag, L"FriendlyName", VT_BSTR, &value) != S_OK)
        return;
    lstrcpynW(pszName, V_BSTR(&value) ? V_BSTR(&value) : L"", cchName);
    VariantClear(&value);
}
