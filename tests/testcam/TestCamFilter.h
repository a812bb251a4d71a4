// The test camera filter: a live video source whose pins and picture come
// from the settings of its device instance (read in IPersistPropertyBag::Load).
#pragma once

#include <dshow.h>

#include "TestCamModule.h"
#include "TestFrame.h"

class CTestCamPin;

class CTestCamFilter final : public IBaseFilter, public IPersistPropertyBag {
public:
    CTestCamFilter();
    HRESULT Init(); // pins for the default settings, before any Load

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetClassID(CLSID* pClsid) override;

    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override;

    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR pszId, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pszVendorInfo) override;

    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    STDMETHODIMP Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;

    // For the pins. The streaming thread only uses the state and the clock,
    // never m_csFilter, because Stop holds that lock while it joins the thread.
    CRITICAL_SECTION* FilterLock() { return &m_csFilter; }
    bool IsStopped() const { return m_nState == State_Stopped; }
    bool IsRunning() const { return m_nState == State_Running; }
    bool GetStreamTime(REFERENCE_TIME* pTime);
    // Vanish mode, from a streaming thread: once the filter has run long
    // enough, it leaves the device list, tells the graph its device is lost
    // and delivers nothing more; true from then on.
    bool HasVanished();

private:
    ~CTestCamFilter();
    HRESULT CreatePins(const CTestCamSettings& settings);
    void DeletePins();
    bool AnyPinConnected() const;

    static constexpr int kMaxPins = 2;

    LONG m_nRef = 1;
    CLiveObject m_live;
    CRITICAL_SECTION m_csFilter;
    CRITICAL_SECTION m_csClock; // m_pClock and m_tStart
    volatile LONG m_nState = State_Stopped;
    REFERENCE_TIME m_tStart = 0;
    IReferenceClock* m_pClock = nullptr;
    IFilterGraph* m_pGraph = nullptr; // not counted: the graph owns the filter
    wchar_t m_szName[MAX_FILTER_NAME] = {};
    CTestCamPin* m_pPins[kMaxPins] = {};
    int m_nPins = 0;
    CTestCamSettings m_settings;
    wchar_t m_szFriendlyName[128] = {};
    // Vanish: when it first ran, the graph's event sink while it runs
    // (counted, released at Stop), and whether it has gone
    volatile LONG m_nFirstRunTick = 0;
    IMediaEventSink* m_pEventSink = nullptr;
    volatile LONG m_bVanished = 0;
};

// Reads Width, Height, Fps and Mode from a device instance; absent values keep
// their defaults, wrong ones fail.
HRESULT ReadTestCamSettings(IPropertyBag* pBag, CTestCamSettings* pSettings);
// The instance's FriendlyName, or empty.
void ReadTestCamName(IPropertyBag* pBag, wchar_t* pszName, int cchName);

// Takes the device named pszName out of the video input category (its
// instance key is kept aside) and puts it back, in preview mode, after
// nBackAfterMs, from a thread that keeps the DLL loaded until then.
void VanishTestCamFor(const wchar_t* pszName, DWORD nBackAfterMs);
