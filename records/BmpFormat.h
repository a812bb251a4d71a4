// The BMP file format as CBitmapEx writes and reads it: layout arithmetic,
// header writers, the extension test and the one bounds-checked DIB reader.
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
// far above any picture the kiosk writes
constexpr uint64_t kBmpMaxFileBytes = 512ULL << 20;

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

// What a caller of ReadDib accepts.
struct DibRules {
    bool bBareDib;      // a buffer without "BM" is a DIB that starts with its info header
    bool bLaterHeaders; // 52, 56, 108 and 124-byte info headers besides 12 and 40
};

// Why ReadDib refused a buffer. UnknownFormat: no DIB the rules know (too
// short for its headers, another header size, planes, bit count or
// compression). BadLayout: the headers read, but describe an image that is
// oversized, has more colours than its bits index, or lies past the end.
enum class DibFault { None, UnknownFormat, BadLayout };

// Where the parts of a checked DIB lie. Every offset + length is inside the
// buffer that was read.
struct DibView {
    uint32_t infoOffset;     // 14 after a "BM" file header, 0 for a bare DIB
    uint32_t infoSize;       // 12 (core), 40, or with later headers 52, 56, 108, 124
    int32_t width;           // 1 .. 32768
    int32_t height;          // negative: rows stored top row first
    int bitCount;            // 1, 4, 8, 24, or 16 and 32 after all but the core header
    uint32_t compression;    // BI_RGB, or BI_BITFIELDS at 16 and 32 bits
    uint32_t colorEntries;   // entries of the colour table
    uint32_t colorEntrySize; // 3 after a core header, 4 otherwise
    uint32_t pixelOffset;    // first byte of the pixel rows
    uint32_t pixelBytes;     // row bytes x |height|
};

// The one bounds-checked DIB reader: fills out and returns None, or says why
// it refused. Never reads at or past data[size].
DibFault ReadDib(const uint8_t* data, size_t size, const DibRules& rules, DibView& out);

// The record loader's reading: a "BM" file with any known info header.
// nullopt for anything truncated, malformed or oversized.
std::optional<DibView> ParseBmpFile(const uint8_t* data, size_t size);

// A BMP file that ParseBmpFile reads and that is exactly as long as its
// header says: what a save leaves once its last byte is written.
bool IsWholeBmpFile(const uint8_t* data, size_t size);
