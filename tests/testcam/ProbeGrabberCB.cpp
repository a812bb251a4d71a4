#include "ProbeGrabberCB.h"

#include <cstdio>

namespace {
enum class EColor { Red, Blue, Green, Other };

EColor ColorAt(const BYTE* pPixel) {
    // DIB pixels are stored blue, green, red
    if (pPixel[0] == 0 && pPixel[1] == 0 && pPixel[2] == 255)
        return EColor::Red;
    if (pPixel[0] == 255 && pPixel[1] == 0 && pPixel[2] == 0)
        return EColor::Blue;
    if (pPixel[0] == 0 && pPixel[1] == 255 && pPixel[2] == 0)
        return EColor::Green;
    return EColor::Other;
}

std::string Describe(const char* pszWhat, int nRow, int x) {
    char sz[160];
    std::snprintf(sz, sizeof(sz), "%s (stored row %d, x %d)", pszWhat, nRow, x);
    return sz;
}
} // namespace

std::string CheckTestCamFrame(const BYTE* pFrame, LONG cbFrame, int nWidth, int nHeight, int* pxColumn) {
    const int nStride = (nWidth * 3 + 3) & ~3;
    if (cbFrame != static_cast<LONG>(nStride) * nHeight)
        return "frame length is not stride x height";

    // the last stored row is the top line of the picture
    const BYTE* pTop = pFrame + static_cast<size_t>(nStride) * (nHeight - 1);
    int xColumn = -1;
    for (int x = 0; x < nWidth && xColumn < 0; ++x) {
        if (ColorAt(pTop + 3 * x) == EColor::Green)
            xColumn = x;
    }
    if (xColumn < 0)
        return "no green column in the top line";
    *pxColumn = xColumn;

    for (int nRow = 0; nRow < nHeight; ++nRow) {
        const BYTE* pLine = pFrame + static_cast<size_t>(nStride) * nRow;
        const bool bUpperHalf = (nHeight - 1 - nRow) < nHeight / 2;
        for (int x = 0; x < nWidth; ++x) {
            const bool bColumn = x >= xColumn && x < xColumn + 4;
            const EColor expected = bColumn ? EColor::Green : (bUpperHalf ? EColor::Red : EColor::Blue);
            if (ColorAt(pLine + 3 * x) == expected)
                continue;
            if (bColumn)
                return Describe("green column broken", nRow, x);
            return Describe(bUpperHalf ? "upper half not red" : "lower half not blue", nRow, x);
        }
        for (int nPad = nWidth * 3; nPad < nStride; ++nPad) {
            if (pLine[nPad] != 0)
                return Describe("row padding not zero", nRow, nPad);
        }
    }
    return {};
}

bool IsColumnStep(int xFrom, int xTo, int nWidth) {
    const int nDelta = ((xTo - xFrom) % nWidth + nWidth) % nWidth;
    for (int nSteps = 1; nSteps <= 30; ++nSteps) {
        if ((8 * nSteps) % nWidth == nDelta)
            return true;
    }
    return false;
}

CProbeGrabberCB::CProbeGrabberCB(int nWidth, int nHeight) : m_nWidth(nWidth), m_nHeight(nHeight) {
    InitializeCriticalSection(&m_cs);
}

CProbeGrabberCB::~CProbeGrabberCB() {
    DeleteCriticalSection(&m_cs);
}

STDMETHODIMP CProbeGrabberCB::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
        *ppv = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CProbeGrabberCB::BufferCB(double, BYTE* pBuffer, LONG cbBuffer) {
    if (!pBuffer)
        return E_POINTER;
    int xColumn = -1;
    std::string error = CheckTestCamFrame(pBuffer, cbBuffer, m_nWidth, m_nHeight, &xColumn);
    EnterCriticalSection(&m_cs);
    if (error.empty() && !m_columns.empty() && !IsColumnStep(m_columns.back(), xColumn, m_nWidth))
        error = "the green column did not move by whole steps";
    if (!error.empty())
        AddError("frame " + std::to_string(m_nFrames) + ": " + error);
    if (xColumn >= 0)
        m_columns.push_back(xColumn);
    LeaveCriticalSection(&m_cs);
    InterlockedIncrement(&m_nFrames); // counted last: the main thread reads the results after it
    return S_OK;
}

void CProbeGrabberCB::AddError(std::string error) {
    if (m_errors.size() < kMaxErrors)
        m_errors.push_back(std::move(error));
}

int CProbeGrabberCB::FrameCount() const {
    return m_nFrames;
}

std::vector<std::string> CProbeGrabberCB::Errors() const {
    EnterCriticalSection(&m_cs);
    std::vector<std::string> errors = m_errors;
    LeaveCriticalSection(&m_cs);
    return errors;
}

std::vector<int> CProbeGrabberCB::ColumnPositions() const {
    EnterCriticalSection(&m_cs);
    std::vector<int> columns = m_columns;
    LeaveCriticalSection(&m_cs);
    return columns;
}
