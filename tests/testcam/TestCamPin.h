// Output pin of the test camera: offers one RGB24 type, answers its pin
// category through IKsPropertySet and streams frames from its own thread.
#pragma once

#include <dshow.h>

#include "TestCamModule.h"
#include "TestFrame.h"

class CTestCamFilter;

class CTestCamPin final : public IPin, public IKsPropertySet {
public:
    CTestCamPin(CTestCamFilter* pFilter, const wchar_t* pszName, const GUID& category,
                const CTestCamSettings& settings);
    ~CTestCamPin();
    HRESULT Init(); // builds the offered media type

    // reference counting is the filter's: a pin lives exactly as long as it
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** ppPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pDir) override;
    STDMETHODIMP QueryId(LPWSTR* pId) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    STDMETHODIMP Set(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData, LPVOID pPropData,
                     DWORD cbPropData) override;
    STDMETHODIMP Get(REFGUID guidPropSet, DWORD dwPropID, LPVOID pInstanceData, DWORD cbInstanceData, LPVOID pPropData,
                     DWORD cbPropData, DWORD* pcbReturned) override;
    STDMETHODIMP QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) override;

    // State changes, called by the filter with its lock held.
    HRESULT Activate();       // stopped to paused: commit the allocator
    HRESULT StartStreaming(); // to running: start the streaming thread once
    void Inactivate();        // to stopped: decommit, then join the thread

    bool IsConnected() const { return m_pConnected != nullptr; }
    const wchar_t* Name() const { return m_szName; }

private:
    HRESULT DecideAllocator(IMemInputPin* pInput);
    void ReleaseConnection();
    static DWORD WINAPI StreamThreadProc(void* pParam);
    void StreamLoop();
    HRESULT DeliverFrame();

    CTestCamFilter* m_pFilter; // owner; not counted, the pin shares its lifetime
    CLiveObject m_live;
    wchar_t m_szName[16] = {};
    GUID m_category;
    CTestCamSettings m_settings;
    AM_MEDIA_TYPE m_mt = {};
    IPin* m_pConnected = nullptr;
    IMemInputPin* m_pInput = nullptr;
    IMemAllocator* m_pAllocator = nullptr;
    HANDLE m_hThread = nullptr;
    HANDLE m_hStopEvent = nullptr;
    ULONG m_nFrame = 0;
};
