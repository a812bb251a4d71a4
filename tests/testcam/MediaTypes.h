// AM_MEDIA_TYPE helpers; the DLL uses no base-class library, so it keeps its own.
#pragma once

#include <dshow.h>

#include "TestFrame.h"

// Video/RGB24/FORMAT_VideoInfo, bottom-up, biSizeImage = stride x height.
HRESULT CreateTestCamMediaType(const CTestCamSettings& settings, AM_MEDIA_TYPE* pmt);

HRESULT CopyMediaTypeContents(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE& source);
void FreeMediaTypeContents(AM_MEDIA_TYPE* pmt);
void DeleteMediaType(AM_MEDIA_TYPE* pmt); // for types allocated with CoTaskMemAlloc

// A partly specified type (null GUIDs are wildcards) that full satisfies.
bool IsPartialMatch(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& full);
bool IsSameMediaType(const AM_MEDIA_TYPE& left, const AM_MEDIA_TYPE& right);
