#include "TestFrame.h"

#include <cstring>
#include <cwchar>

bool ParseTestCamMode(const wchar_t* pszName, ETestCamMode* pMode) {
    static const struct {
        const wchar_t* pszName;
        ETestCamMode mode;
    } s_modes[] = {
        {L"preview", ETestCamMode::Preview},   {L"captureonly", ETestCamMode::CaptureOnly},
        {L"failbind", ETestCamMode::FailBind}, {L"silent", ETestCamMode::Silent},
        {L"vanish", ETestCamMode::Vanish},
    };
    for (const auto& entry : s_modes) {
        if (std::wcscmp(pszName, entry.pszName) == 0) {
            *pMode = entry.mode;
            return true;
        }
    }
    return false;
}

bool IsValidTestCamSettings(const CTestCamSettings& settings) {
    return settings.m_nWidth > 0 && settings.m_nWidth <= kTestCamMaxSide && settings.m_nHeight > 0 &&
           settings.m_nHeight <= kTestCamMaxSide && settings.m_nFps >= 1 && settings.m_nFps <= 60 &&
           settings.m_nLostAfterMs >= 0 && settings.m_nBackAfterMs >= 0;
}

void PaintTestFrame(uint8_t* pBuffer, int32_t nWidth, int32_t nHeight, uint32_t nFrame) {
    const size_t nStride = TestFrameStride(nWidth);
    const int32_t xColumn = TestFrameColumnX(nWidth, nFrame);
    for (int32_t nRow = 0; nRow < nHeight; ++nRow) {
        // stored row 0 is the bottom line of the picture
        const int32_t y = nHeight - 1 - nRow;
        const bool bUpperHalf = y < nHeight / 2;
        uint8_t* pLine = pBuffer + nStride * nRow;
        for (int32_t x = 0; x < nWidth; ++x) {
            uint8_t* pPixel = pLine + 3 * x;
            const bool bColumn = x >= xColumn && x < xColumn + kTestCamColumnWidth;
            pPixel[0] = (!bColumn && !bUpperHalf) ? 255 : 0; // blue
            pPixel[1] = bColumn ? 255 : 0;                   // green
            pPixel[2] = (!bColumn && bUpperHalf) ? 255 : 0;  // red
        }
        std::memset(pLine + 3 * static_cast<size_t>(nWidth), 0, nStride - 3 * static_cast<size_t>(nWidth));
    }
}
