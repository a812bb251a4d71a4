#include "MediaTypes.h"

#include <cstring>

HRESULT CreateTestCamMediaType(const CTestCamSettings& settings, AM_MEDIA_TYPE* pmt) {
    ZeroMemory(pmt, sizeof(*pmt));
    auto* pVih = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!pVih)
        return E_OUTOFMEMORY;
    ZeroMemory(pVih, sizeof(*pVih));

    const DWORD cbImage = static_cast<DWORD>(TestFrameSize(settings.m_nWidth, settings.m_nHeight));
    pVih->AvgTimePerFrame = 10000000LL / settings.m_nFps;
    pVih->dwBitRate = cbImage * 8 * static_cast<DWORD>(settings.m_nFps);
    pVih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pVih->bmiHeader.biWidth = settings.m_nWidth;
    pVih->bmiHeader.biHeight = settings.m_nHeight; // positive: bottom-up rows
    pVih->bmiHeader.biPlanes = 1;
    pVih->bmiHeader.biBitCount = 24;
    pVih->bmiHeader.biCompression = BI_RGB;
    pVih->bmiHeader.biSizeImage = cbImage;

    pmt->majortype = MEDIATYPE_Video;
    pmt->subtype = MEDIASUBTYPE_RGB24;
    pmt->bFixedSizeSamples = TRUE;
    pmt->bTemporalCompression = FALSE;
    pmt->lSampleSize = cbImage;
    pmt->formattype = FORMAT_VideoInfo;
    pmt->cbFormat = sizeof(VIDEOINFOHEADER);
    pmt->pbFormat = reinterpret_cast<BYTE*>(pVih);
    return S_OK;
}

HRESULT CopyMediaTypeContents(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE& source) {
    *pDest = source;
    if (source.cbFormat) {
        pDest->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        if (!pDest->pbFormat) {
            pDest->cbFormat = 0;
            pDest->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(pDest->pbFormat, source.pbFormat, source.cbFormat);
    }
    if (pDest->pUnk)
        pDest->pUnk->AddRef();
    return S_OK;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE* pmt) {
    if (pmt->cbFormat)
        CoTaskMemFree(pmt->pbFormat);
    pmt->cbFormat = 0;
    pmt->pbFormat = nullptr;
    if (pmt->pUnk) {
        pmt->pUnk->Release();
        pmt->pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt) {
    if (!pmt)
        return;
    FreeMediaTypeContents(pmt);
    CoTaskMemFree(pmt);
}

bool IsPartialMatch(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& full) {
    if (partial.majortype != GUID_NULL && partial.majortype != full.majortype)
        return false;
    if (partial.subtype != GUID_NULL && partial.subtype != full.subtype)
        return false;
    if (partial.formattype == GUID_NULL)
        return true;
    return IsSameMediaType(partial, full);
}

bool IsSameMediaType(const AM_MEDIA_TYPE& left, const AM_MEDIA_TYPE& right) {
    if (left.majortype != right.majortype || left.subtype != right.subtype || left.formattype != right.formattype ||
        left.cbFormat < sizeof(VIDEOINFOHEADER) || right.cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    // only the picture layout matters; frame rate and rectangles may differ
    const auto& leftBmi = reinterpret_cast<const VIDEOINFOHEADER*>(left.pbFormat)->bmiHeader;
    const auto& rightBmi = reinterpret_cast<const VIDEOINFOHEADER*>(right.pbFormat)->bmiHeader;
    return leftBmi.biWidth == rightBmi.biWidth && leftBmi.biHeight == rightBmi.biHeight &&
           leftBmi.biBitCount == rightBmi.biBitCount && leftBmi.biCompression == rightBmi.biCompression;
}
