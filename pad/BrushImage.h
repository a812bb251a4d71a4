// The pad's brush image and the platform-free half of reading it: the brush's
// rules over the one DIB reader, packing converted 24-bit rows into
// the RGB bytes the texture wants, and the soft brush made in code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "records/BmpFormat.h"

// width x height packed red, green, blue triples, bottom row first.
struct CBrushImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    bool IsEmpty() const { return width <= 0 || height <= 0 || rgb.empty(); }
};

// UnknownFormat and ConversionError: the reader's DibFault UnknownFormat and
// BadLayout. OutOfMemory: reported by the caller when an allocation fails.
// OpenFailed: the file could not be opened or read.
enum class BrushError { None, UnknownFormat, OutOfMemory, ConversionError, OpenFailed };

// Checks a file image, with or without the 14-byte "BM" file header and with
// a 12- or 40-byte info header, and fills out on success.
BrushError ParseBrushDib(const uint8_t* data, size_t size, DibView& out);

// Turns width x height 24-bit DIB rows (blue, green, red, rows padded to
// 4 bytes, bottom row first) into packed red, green, blue triples, bottom
// row first. The input must hold BmpRowBytes(width, 24) x height bytes.
// Empty for non-positive sizes or when the result cannot be allocated.
std::vector<uint8_t> PackRgbRows(const uint8_t* bgr24BottomUp, int width, int height);

// A soft round brush: a Gaussian disc, white in the middle, black outside.
CBrushImage MakeSoftBrush(int size = 32);
