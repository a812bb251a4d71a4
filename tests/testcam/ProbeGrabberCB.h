// The probe's sample grabber callback: checks every frame of the test camera
// on the streaming thread and keeps what it found for the main thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../../capture/SampleGrabber.h"

// Empty when the bottom-up RGB24 frame shows the test picture: upper half red,
// lower half blue, one green column 4 pixels wide (fewer at the right edge),
// row padding zero. *pxColumn receives the column's x.
std::string CheckTestCamFrame(const BYTE* pFrame, LONG cbFrame, int nWidth, int nHeight, int* pxColumn);

// True when the column moved by a whole number of 8-pixel steps (the smart
// tee may drop preview frames, so a step can span several frames).
bool IsColumnStep(int xFrom, int xTo, int nWidth);

class CProbeGrabberCB final : public ISampleGrabberCB {
public:
    CProbeGrabberCB(int nWidth, int nHeight);
    ~CProbeGrabberCB();

    // lives on the probe's stack: references are not counted
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double, IMediaSample*) override { return S_OK; }
    STDMETHODIMP BufferCB(double sampleTime, BYTE* pBuffer, LONG cbBuffer) override;

    int FrameCount() const;
    std::vector<std::string> Errors() const;
    std::vector<int> ColumnPositions() const;

private:
    void AddError(std::string error);

    static constexpr size_t kMaxErrors = 5;

    mutable CRITICAL_SECTION m_cs;
    int m_nWidth;
    int m_nHeight;
    volatile LONG m_nFrames = 0;
    std::vector<std::string> m_errors;
    std::vector<int> m_columns;
};
