#include "Enumerators.h"

#include "MediaTypes.h"

HRESULT CMediaTypeTraits::CopyOut(const AM_MEDIA_TYPE* pmt, AM_MEDIA_TYPE*& pOut) {
    pOut = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!pOut)
        return E_OUTOFMEMORY;
    if (FAILED(CopyMediaTypeContents(pOut, *pmt))) {
        CoTaskMemFree(pOut);
        pOut = nullptr;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CMediaTypeTraits::Free(AM_MEDIA_TYPE* pmt) {
    DeleteMediaType(pmt);
}
