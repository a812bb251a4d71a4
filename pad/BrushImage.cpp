#include "BrushImage.h"

#include "records/BmpFormat.h"

#include <cstddef>
#include <new>
#include <optional>
#include <stdexcept>

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitfields = 3;
constexpr int64_t kMaxDimension = 32768;
constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool IsKnownFormat(const DibInfoFields& h, uint32_t headerSize) {
    if (h.nPlanes != 1)
        return false;
    const uint16_t b = h.nBitCount;
    const bool bWide = b == 16 || b == 32;
    if (b != 1 && b != 4 && b != 8 && b != 24 && !(bWide && headerSize == kInfoHeaderSize))
        return false;
    return h.nCompression == kCompressionRgb || (h.nCompression == kCompressionBitfields && bWide);
}

bool HasSaneSize(int64_t width, int64_t height) {
    const int64_t absHeight = height < 0 ? -height : height;
    return width > 0 && absHeight > 0 && width <= kMaxDimension && absHeight <= kMaxDimension &&
           width * absHeight <= kMaxPixels;
}

std::optional<uint64_t> ColorEntries(const DibInfoFields& h) {
    const uint64_t fullTable = h.nBitCount <= 8 ? (uint64_t{1} << h.nBitCount) : 0;
    if (h.nClrUsed == 0)
        return fullTable;
    if (h.nBitCount <= 8 && h.nClrUsed > fullTable)
        return std::nullopt;
    return h.nClrUsed;
}

} // namespace

const char* DibErrorText(DibError error) {
    switch (error) {
    case DibError::UnknownFormat:
        return "Unknown DIB file format.";
    case DibError::OutOfMemory:
        return "Out of memory.";
    case DibError::ConversionError:
        return "Image file conversion error.";
    case DibError::None:
        break;
    }
    return "";
}

const wchar_t* DibErrorTextW(DibError error) {
    switch (error) {
    case DibError::UnknownFormat:
        return L"Unknown DIB file format.";
    case DibError::OutOfMemory:
        return L"Out of memory.";
    case DibError::ConversionError:
        return L"Image file conversion error.";
    case DibError::None:
        break;
    }
    return L"";
}

uint64_t DibRowBytes(int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0)
        return 0;
    return (static_cast<uint64_t>(bitCount) * static_cast<uint64_t>(width) + 31) / 32 * 4;
}

DibError ParseDib(const uint8_t* data, size_t size, DibView& out) {
    if (data == nullptr)
        return DibError::UnknownFormat;
    const bool bFileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    const uint64_t infoOffset = bFileHeader ? kFileHeaderSize : 0;
    if (size < infoOffset + 4)
        return DibError::UnknownFormat;
    const uint8_t* info = data + infoOffset;
    const uint32_t headerSize = ReadU32(info);
    if ((headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize) || size - infoOffset < headerSize)
        return DibError::UnknownFormat;

    const DibInfoFields h = ReadDibInfoFields(info, headerSize);
    if (!IsKnownFormat(h, headerSize))
        return DibError::UnknownFormat;
    const std::optional<uint64_t> entries = ColorEntries(h);
    if (!HasSaneSize(h.nWidth, h.nHeight) || !entries)
        return DibError::ConversionError;

    const uint64_t masks = h.nCompression == kCompressionBitfields ? 12 : 0;
    const uint64_t headersEnd = infoOffset + headerSize + masks;
    const uint64_t entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
    const uint64_t tableEnd = headersEnd + *entries * entrySize;
    if (tableEnd > size)
        return DibError::ConversionError;

    // a bare DIB has no offset field: its rows follow the colour table
    const uint64_t pixelOffset = bFileHeader ? ReadU32(data + 10) : tableEnd;
    const uint64_t absHeight = h.nHeight < 0 ? -h.nHeight : h.nHeight;
    const uint64_t pixelBytes = DibRowBytes(h.nWidth, h.nBitCount) * absHeight;
    if (pixelOffset < headersEnd || pixelOffset + pixelBytes > size)
        return DibError::ConversionError;

    out = DibView{static_cast<uint32_t>(infoOffset),
                  headerSize,
                  static_cast<int32_t>(h.nWidth),
                  static_cast<int32_t>(h.nHeight),
                  h.nBitCount,
                  h.nCompression,
                  static_cast<uint32_t>(*entries),
                  static_cast<uint32_t>(entrySize),
                  static_cast<uint32_t>(pixelOffset),
                  static_cast<uint32_t>(pixelBytes)};
    return DibError::None;
}

std::vector<uint8_t> PackRgbRows(const uint8_t* bgr24BottomUp, int width, int height) {
    if (bgr24BottomUp == nullptr || width <= 0 || height <= 0)
        return {};
    // sizes in 64 bits: a 32-bit build must not wrap into a short buffer
    const uint64_t stride = DibRowBytes(width, 24);
    const uint64_t packedRow = static_cast<uint64_t>(width) * 3;
    const uint64_t rows = static_cast<uint64_t>(height);
    if (stride * rows > PTRDIFF_MAX || packedRow * rows > PTRDIFF_MAX)
        return {};
    std::vector<uint8_t> rgb;
    try {
        rgb.resize(static_cast<size_t>(packedRow * rows));
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* src = bgr24BottomUp + y * stride;
        uint8_t* dst = rgb.data() + y * packedRow;
        for (size_t x = 0; x < packedRow; x += 3) {
            dst[x] = src[x + 2]; // the DIB stores blue, green, red
            dst[x + 1] = src[x + 1];
            dst[x + 2] = src[x];
        }
    }
    return rgb;
}
