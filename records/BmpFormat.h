// The BMP file format as CBitmapEx writes and reads it: layout arithmetic,
// header writers, the extension test and a bounds-checked header parser.
// No platform headers: the GDI side hands bytes in and takes offsets out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

constexpr uint16_t kBmpSignature = 0x4D42; // "BM"
constexpr uint32_t kBmpFileHeaderSize = 14;
constexpr uint32_t kBmpInfoHeaderSize = 40;
constexpr uint32_t kBmpCoreHeaderSize = 12;
constexpr uint32_t kBmpHeadersSize = kBmpFileHeaderSize + kBmpInfoHeaderSize; // 54

constexpr uint32_t kBmpCompressionRgb = 0;       // BI_RGB
constexpr uint32_t kBmpCompressionBitfields = 3; // BI_BITFIELDS

// Limits on what a loaded file may ask the platform to allocate.
constexpr int64_t kBmpMaxDimension = 32768;
constexpr int64_t kBmpMaxPixels = 64LL * 1024 * 1024;

// Bits per pixel of a saved file for a display depth D (planes x bits);
// 0 when the display is deeper than any file depth ("unKnown").
int ChooseFileBitCount(int displayDepth);

// Bytes of one pixel row padded to 4 bytes, in 64 bits so nothing wraps.
uint64_t BmpRowBytes(int64_t width, int bitCount);

struct BmpLayout {
    uint32_t colorTableBytes; // P
    uint32_t rowBytes;        // R
    uint32_t imageBytes;      // S = R x H
    uint32_t offBits;         // 54 + P
    uint32_t fileSize;        // 54 + P + S
};

// Layout of a file written at bitCount 1, 4, 8, 16, 24 or 32; nullopt for
// non-positive sizes, another bit count, or a file that would not fit the
// 32-bit size fields.
std::optional<BmpLayout> ComputeBmpLayout(int32_t width, int32_t height, int bitCount);

// BITMAPFILEHEADER: "BM", fileSize, two zero reserved words, offBits.
void WriteBmpFileHeader(uint8_t out[14], const BmpLayout& layout);

// BITMAPINFOHEADER for an uncompressed bottom-up file; every other field 0.
void WriteBmpInfoHeader(uint8_t out[40], int32_t width, int32_t height, int bitCount);

// True when the text after the path's last dot, upper-cased, is exactly "BMP".
// A path without a dot, or whose only dot starts it, is refused.
bool HasBmpExtension(std::wstring_view path);

// The fields of a DIB header, core (12 bytes) or info (40 bytes and up),
// that decide whether an image is usable. Core headers store unsigned 16-bit
// sizes and have no compression or colour count. Shared by both file parsers.
struct DibInfoFields {
    int64_t nWidth;
    int64_t nHeight;
    uint16_t nPlanes;
    uint16_t nBitCount;
    uint32_t nCompression;
    uint32_t nClrUsed;
};

// Reads them from a header of infoSize bytes; the caller has checked that
// those bytes are inside the buffer.
DibInfoFields ReadDibInfoFields(const uint8_t* info, uint32_t infoSize);

// Where the parts of a checked BMP file lie. Every offset + length is inside
// the buffer that was parsed.
struct BmpFileView {
    uint32_t infoOffset;   // always 14: the info header and colour table start here
    uint32_t infoSize;     // 12 (core), 40, 52, 56, 108 or 124
    int bitCount;          // 1, 4, 8, 16, 24 or 32
    uint32_t compression;  // BI_RGB, or BI_BITFIELDS at 16 and 32 bits
    int32_t width;         // 1 .. 32768
    int32_t height;        // negative: rows stored top row first
    uint32_t colorEntries; // entries of the colour table
    uint32_t pixelOffset;  // bfOffBits
    uint32_t pixelBytes;   // row bytes x |height|, all inside the file
};

// Checks a whole file image before the platform builds a bitmap from it;
// nullopt for anything truncated, malformed or oversized. Never reads at or
// past data[size].
std::optional<BmpFileView> ParseBmpFile(const uint8_t* data, size_t size);
