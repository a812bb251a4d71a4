// Settings and picture of the test camera. Plain C++ without windows.h so the
// pattern can be checked anywhere; the filter only copies the bytes out.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ETestCamMode {
    Preview,     // a capture pin and a preview pin, like most real cameras
    CaptureOnly, // one capture pin: the graph builder has to insert a tee
    FailBind,    // the instance cannot be loaded, so binding its moniker fails
    Silent,      // connects and runs but never delivers a frame
    Vanish       // as Preview, then lost (and unlisted) for a while, then back
};

struct CTestCamSettings {
    int32_t m_nWidth = 640;
    int32_t m_nHeight = 480;
    int32_t m_nFps = 20;
    ETestCamMode m_mode = ETestCamMode::Preview;
    // Vanish: running this long, then away this long
    int32_t m_nLostAfterMs = 6000;
    int32_t m_nBackAfterMs = 12000;
};

constexpr int32_t kTestCamMaxSide = 4096;
constexpr int32_t kTestCamColumnWidth = 4; // the moving green column
constexpr int32_t kTestCamColumnStep = 8;  // its step per frame

// Mode names as written in the registry; false for an unknown name.
bool ParseTestCamMode(const wchar_t* pszName, ETestCamMode* pMode);
bool IsValidTestCamSettings(const CTestCamSettings& settings);

// Bytes per row of a 24-bit DIB: rows are padded to a multiple of 4.
inline size_t TestFrameStride(int32_t nWidth) {
    return (static_cast<size_t>(nWidth) * 3 + 3) & ~static_cast<size_t>(3);
}

inline size_t TestFrameSize(int32_t nWidth, int32_t nHeight) {
    return TestFrameStride(nWidth) * static_cast<size_t>(nHeight);
}

inline int32_t TestFrameColumnX(int32_t nWidth, uint32_t nFrame) {
    return static_cast<int32_t>((static_cast<uint64_t>(nFrame) * kTestCamColumnStep) % nWidth);
}

// Paints frame nFrame as a bottom-up BGR DIB into pBuffer (TestFrameSize bytes):
// the upper half of the picture red, the lower half blue, a green column at
// TestFrameColumnX, padding bytes zero.
void PaintTestFrame(uint8_t* pBuffer, int32_t nWidth, int32_t nHeight, uint32_t nFrame);
