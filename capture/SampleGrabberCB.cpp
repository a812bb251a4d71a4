#include "SampleGrabberCB.h"

#include "CaptureImage.h"

CSampleGrabberCB g_GrabberCB;

STDMETHODIMP CSampleGrabberCB::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_ISampleGrabberCB || riid == IID_IUnknown) {
        *ppv = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CSampleGrabberCB::AddRef() {
    return 2;
}

STDMETHODIMP_(ULONG) CSampleGrabberCB::Release() {
    return 1;
}

STDMETHODIMP CSampleGrabberCB::SampleCB(double, IMediaSample*) {
    return S_OK;
}

STDMETHODIMP CSampleGrabberCB::BufferCB(double, BYTE* pBuffer, LONG BufferLen) {
    if (!pBuffer)
        return E_POINTER;
    if (m_bGrab.load()) {
        // read once: the user-interface thread may null it right after
        if (CVdoFrameHandler* pHandler = m_pHandler.load())
            pHandler->OnFrame(m_lWidth, m_lHeight, pBuffer, BufferLen);
    }
    return S_OK;
}

void CSampleGrabberCB::RequestPhoto(CVdoFrameHandler* pHandler) {
    // the order matters: the handler is published before the flag
    m_pHandler = pHandler;
    m_bGrab = 1;
}

void CSampleGrabberCB::CancelPhoto() {
    // the order matters: the handler is gone before the flag drops
    m_pHandler = nullptr;
    m_bGrab = 0;
}
