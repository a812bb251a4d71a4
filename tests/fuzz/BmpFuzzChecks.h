// What fuzz_bmp does with one input, shared with the regression test so a
// saved crash input replays exactly the same calls.
#pragma once

#include <cstddef>
#include <cstdint>

struct BmpFuzzOutcome {
    bool bFileAccepted;   // ParseBmpFile gave a view
    bool bDibAccepted;    // ParseBrushDib returned BrushError::None
    const char* pFailure; // the first broken promise, or nullptr
};

// Runs both callers of the one DIB reader (the record loader's and the
// brush's) over data[0, size), reads every byte each view points at through
// buffers of exactly that length (so a sanitizer sees any overrun), packs
// 24-bit brush rows, and checks the two callers agree on "BM" files with
// 12- or 40-byte headers.
BmpFuzzOutcome RunBmpParsers(const uint8_t* data, size_t size);
