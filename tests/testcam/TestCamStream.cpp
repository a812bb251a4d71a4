// Allocator negotiation and the streaming thread of a test camera pin.
#include "TestCamPin.h"

#include "TestCamFilter.h"

namespace {
constexpr long kMinBuffers = 3;
}

HRESULT CTestCamPin::DecideAllocator(IMemInputPin* pInput) {
    ALLOCATOR_PROPERTIES required = {};
    pInput->GetAllocatorRequirements(&required); // optional for the input pin

    // The sample grabber offers no allocator of its own, so always bring ours.
    IMemAllocator* pAllocator = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                  reinterpret_cast<void**>(&pAllocator));
    if (FAILED(hr))
        return hr;

    const long cbFrame = m_mt.lSampleSize;
    ALLOCATOR_PROPERTIES wanted = {};
    wanted.cBuffers = required.cBuffers > kMinBuffers ? required.cBuffers : kMinBuffers;
    wanted.cbBuffer = required.cbBuffer > cbFrame ? required.cbBuffer : cbFrame;
    wanted.cbAlign = required.cbAlign > 1 ? required.cbAlign : 1;
    wanted.cbPrefix = required.cbPrefix;
    ALLOCATOR_PROPERTIES actual = {};
    hr = pAllocator->SetProperties(&wanted, &actual);
    if (SUCCEEDED(hr) && (actual.cbBuffer < cbFrame || actual.cBuffers < 1))
        hr = VFW_E_SIZENOTSET;
    if (SUCCEEDED(hr))
        hr = pInput->NotifyAllocator(pAllocator, FALSE);
    if (FAILED(hr)) {
        pAllocator->Release();
        return hr;
    }
    m_pAllocator = pAllocator;
    return S_OK;
}

HRESULT CTestCamPin::Activate() {
    if (!m_pAllocator)
        return S_OK; // an unconnected pin just stays idle
    m_nFrame = 0;
    return m_pAllocator->Commit();
}

HRESULT CTestCamPin::StartStreaming() {
    if (!m_pAllocator || m_hThread || m_settings.m_mode == ETestCamMode::Silent)
        return S_OK;
    ResetEvent(m_hStopEvent);
    m_hThread = CreateThread(nullptr, 0, StreamThreadProc, this, 0, nullptr);
    return m_hThread ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void CTestCamPin::Inactivate() {
    if (m_hStopEvent)
        SetEvent(m_hStopEvent);
    // decommit first: it wakes a thread that waits in GetBuffer
    if (m_pAllocator)
        m_pAllocator->Decommit();
    if (m_hThread) {
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
}

DWORD WINAPI CTestCamPin::StreamThreadProc(void* pParam) {
    static_cast<CTestCamPin*>(pParam)->StreamLoop();
    return 0;
}

void CTestCamPin::StreamLoop() {
    const DWORD nPeriodMs = 1000 / static_cast<DWORD>(m_settings.m_nFps);
    // the wait paces the frames and ends the loop when Stop signals
    while (WaitForSingleObject(m_hStopEvent, nPeriodMs) == WAIT_TIMEOUT) {
        if (m_pFilter->IsRunning() && !m_pFilter->HasVanished())
            DeliverFrame(); // a refused frame is dropped; the next one may pass
    }
}

HRESULT CTestCamPin::DeliverFrame() {
    IMediaSample* pSample = nullptr;
    HRESULT hr = m_pAllocator->GetBuffer(&pSample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;

    BYTE* pData = nullptr;
    const long cbFrame = m_mt.lSampleSize;
    hr = pSample->GetPointer(&pData);
    if (SUCCEEDED(hr) && pSample->GetSize() < cbFrame)
        hr = VFW_E_BUFFER_OVERFLOW;
    if (SUCCEEDED(hr)) {
        PaintTestFrame(pData, m_settings.m_nWidth, m_settings.m_nHeight, m_nFrame);
        const REFERENCE_TIME rtPeriod = 10000000LL / m_settings.m_nFps;
        REFERENCE_TIME rtStart = 0;
        if (!m_pFilter->GetStreamTime(&rtStart))
            rtStart = static_cast<REFERENCE_TIME>(m_nFrame) * rtPeriod; // no clock: nominal times
        REFERENCE_TIME rtEnd = rtStart + rtPeriod;
        pSample->SetTime(&rtStart, &rtEnd);
        pSample->SetActualDataLength(cbFrame);
        pSample->SetSyncPoint(TRUE);
        pSample->SetDiscontinuity(m_nFrame == 0);
        hr = m_pInput->Receive(pSample);
        ++m_nFrame;
    }
    pSample->Release();
    return hr;
}
