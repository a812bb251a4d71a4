// DLL entry points and the class factory of the test camera.
#include "TestCamModule.h"

#include <new>

#include "TestCamFilter.h"

const CLSID CLSID_TestCam = {0xb31f1697, 0xc987, 0x4dc2, {0xad, 0x56, 0xb3, 0xfe, 0xac, 0x6a, 0xac, 0xf7}};

volatile LONG g_nTestCamLiveObjects = 0;

namespace {
volatile LONG g_nServerLocks = 0; // factory references and LockServer

class CTestCamFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // static object: the count only keeps the DLL loaded
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&g_nServerLocks); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&g_nServerLocks); }

    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        CTestCamFilter* pFilter = new (std::nothrow) CTestCamFilter;
        if (!pFilter)
            return E_OUTOFMEMORY;
        HRESULT hr = pFilter->Init();
        if (SUCCEEDED(hr))
            hr = pFilter->QueryInterface(riid, ppv);
        pFilter->Release();
        return hr;
    }

    STDMETHODIMP LockServer(BOOL bLock) override {
        if (bLock)
            InterlockedIncrement(&g_nServerLocks);
        else
            InterlockedDecrement(&g_nServerLocks);
        return S_OK;
    }
};

CTestCamFactory g_factory;
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_TestCam)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return (g_nTestCamLiveObjects == 0 && g_nServerLocks == 0) ? S_OK : S_FALSE;
}

extern "C" LONG WINAPI TestCamLiveObjects() {
    return g_nTestCamLiveObjects;
}
