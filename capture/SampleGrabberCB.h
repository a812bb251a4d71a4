// The one sample-grabber callback object. Every camera frame passes through
// BufferCB on DirectShow's streaming thread; it is handed on only while a
// photo is requested.
#pragma once

#include <atomic>

#include "capture/SampleGrabber.h"

class CVdoFrameHandler;

// Lives in static storage for the whole process, so it counts no references.
class CSampleGrabberCB : public ISampleGrabberCB {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SampleCB(double SampleTime, IMediaSample* pSample) override;
    STDMETHODIMP BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen) override;

    // Written on the user-interface thread before the callback is registered
    // and the graph runs; only read by the streaming thread afterwards.
    LONG m_lWidth = 0;
    LONG m_lHeight = 0;
    // The photo request, on the user-interface thread: the next frames go to
    // the handler until the request is cancelled.
    void RequestPhoto(CVdoFrameHandler* pHandler);
    void CancelPhoto();

private:
    // Shared with the streaming thread without a lock. BufferCB tests the
    // flag, then reads the handler once.
    std::atomic<CVdoFrameHandler*> m_pHandler{nullptr};
    std::atomic<LONG> m_bGrab{0};
};

extern CSampleGrabberCB g_GrabberCB;
