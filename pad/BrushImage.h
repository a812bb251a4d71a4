// The platform-free half of the pad's brush image reader: checking a DIB
// image in memory before the platform converts it, the reader's error texts,
// and packing converted 24-bit rows into the RGB bytes the texture wants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// UnknownFormat: the headers are not a DIB the reader knows (too short for
// its headers, header size other than 12 or 40, planes, bit count or
// compression unsupported).
// ConversionError: the headers are readable but the image cannot be built
// from them (bad size, colour count, or table or pixels outside the file).
// OutOfMemory: reported by the caller when an allocation fails.
enum class DibError { None, UnknownFormat, OutOfMemory, ConversionError };

// The reader's message texts; "" for None.
const char* DibErrorText(DibError error);
const wchar_t* DibErrorTextW(DibError error);

// Where the parts of a checked DIB lie in the buffer. Every offset + length
// is inside it.
struct DibView {
    uint32_t infoOffset;     // 14 after a "BM" file header, 0 for a bare DIB
    uint32_t headerSize;     // 12 (core) or 40
    int32_t width;           // 1 .. 32768
    int32_t height;          // negative: rows stored top row first
    int bitCount;            // 1, 4, 8, 24, or also 16 and 32 with a 40-byte header
    uint32_t compression;    // BI_RGB, or BI_BITFIELDS at 16 and 32 bits
    uint32_t colorEntries;   // colour table entries after the header (and masks)
    uint32_t colorEntrySize; // 3 for a core header, 4 otherwise
    uint32_t pixelOffset;    // first byte of the pixel rows
    uint32_t pixelBytes;     // row bytes x |height|, all inside the buffer
};

// Bytes of one DIB row padded to 4 bytes, in 64 bits so nothing wraps.
uint64_t DibRowBytes(int64_t width, int bitCount);

// Checks a file image (with or without the 14-byte "BM" header) and fills
// out on success. Never reads at or past data[size].
DibError ParseDib(const uint8_t* data, size_t size, DibView& out);

// Turns width x height 24-bit DIB rows (blue, green, red, rows padded to
// 4 bytes, bottom row first) into packed red, green, blue triples, bottom
// row first. The input must hold DibRowBytes(width, 24) x height bytes.
// Empty for non-positive sizes or when the result cannot be allocated.
std::vector<uint8_t> PackRgbRows(const uint8_t* bgr24BottomUp, int width, int height);
