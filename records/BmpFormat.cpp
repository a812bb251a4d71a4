#include "BmpFormat.h"

namespace {

// The fields of a DIB header that decide whether an image is usable. Core
// headers store unsigned 16-bit sizes and have no compression or colour count.
struct DibInfoFields {
    int64_t nWidth;
    int64_t nHeight;
    uint16_t nPlanes;
    uint16_t nBitCount;
    uint32_t nCompression;
    uint32_t nClrUsed;
};

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool IsBmpBitCount(int bitCount) {
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

bool IsKnownInfoSize(uint32_t infoSize, bool bLaterHeaders) {
    switch (infoSize) {
    case kBmpCoreHeaderSize:
    case kBmpInfoHeaderSize:
        return true;
    case 52:
    case 56:
    case 108:
    case 124:
        return bLaterHeaders;
    default:
        return false;
    }
}

bool IsSupportedFormat(const DibInfoFields& f, uint32_t infoSize) {
    if (f.nPlanes != 1 || !IsBmpBitCount(f.nBitCount))
        return false;
    // the core header predates 16 and 32 bits per pixel
    if (infoSize == kBmpCoreHeaderSize && (f.nBitCount == 16 || f.nBitCount == 32))
        return false;
    if (f.nCompression == kBmpCompressionRgb)
        return true;
    return f.nCompression == kBmpCompressionBitfields && (f.nBitCount == 16 || f.nBitCount == 32);
}

bool HasSaneSize(int64_t width, int64_t height) {
    const int64_t absHeight = height < 0 ? -height : height; // 64 bits, so INT32_MIN negates safely
    if (width <= 0 || absHeight == 0)
        return false;
    if (width > kBmpMaxDimension || absHeight > kBmpMaxDimension)
        return false;
    return width * absHeight <= kBmpMaxPixels;
}

// Entries of the colour table, or nullopt when biClrUsed claims more colours
// than the bit count can index.
std::optional<uint64_t> ColorEntries(const DibInfoFields& f, uint32_t infoSize) {
    const uint64_t fullTable = f.nBitCount <= 8 ? (uint64_t{1} << f.nBitCount) : 0;
    if (infoSize == kBmpCoreHeaderSize || f.nClrUsed == 0)
        return fullTable;
    if (f.nBitCount <= 8 && f.nClrUsed > fullTable)
        return std::nullopt;
    return f.nClrUsed;
}

DibInfoFields ReadDibInfoFields(const uint8_t* info, uint32_t infoSize) {
    if (infoSize == kBmpCoreHeaderSize)
        return {ReadU16(info + 4), ReadU16(info + 6), ReadU16(info + 8), ReadU16(info + 10), 0, 0};
    return {static_cast<int32_t>(ReadU32(info + 4)),
            static_cast<int32_t>(ReadU32(info + 8)),
            ReadU16(info + 12),
            ReadU16(info + 14),
            ReadU32(info + 16),
            ReadU32(info + 32)};
}

} // namespace

int ChooseFileBitCount(int displayDepth) {
    if (displayDepth <= 1)
        return 1;
    if (displayDepth <= 4)
        return 4;
    if (displayDepth <= 8)
        return 8;
    if (displayDepth <= 24)
        return 24;
    if (displayDepth <= 32)
        return 32;
    return 0;
}

uint64_t BmpRowBytes(int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0)
        return 0;
    return (static_cast<uint64_t>(bitCount) * static_cast<uint64_t>(width) + 31) / 32 * 4;
}

std::optional<BmpLayout> ComputeBmpLayout(int32_t width, int32_t height, int bitCount) {
    if (width <= 0 || height <= 0 || !IsBmpBitCount(bitCount))
        return std::nullopt;
    const uint64_t tableBytes = bitCount <= 8 ? (uint64_t{4} << bitCount) : 0;
    const uint64_t rowBytes = BmpRowBytes(width, bitCount);
    const uint64_t imageBytes = rowBytes * static_cast<uint64_t>(height);
    const uint64_t fileSize = kBmpHeadersSize + tableBytes + imageBytes;
    if (fileSize > UINT32_MAX)
        return std::nullopt;
    return BmpLayout{static_cast<uint32_t>(tableBytes), static_cast<uint32_t>(rowBytes),
                     static_cast<uint32_t>(imageBytes), static_cast<uint32_t>(kBmpHeadersSize + tableBytes),
                     static_cast<uint32_t>(fileSize)};
}

void WriteBmpFileHeader(uint8_t out[14], const BmpLayout& layout) {
    PutU16(out, kBmpSignature);
    PutU32(out + 2, layout.fileSize);
    PutU16(out + 6, 0);
    PutU16(out + 8, 0);
    PutU32(out + 10, layout.offBits);
}

void WriteBmpInfoHeader(uint8_t out[40], int32_t width, int32_t height, int bitCount) {
    for (int i = 0; i < 40; ++i)
        out[i] = 0;
    PutU32(out, kBmpInfoHeaderSize);
    PutU32(out + 4, static_cast<uint32_t>(width));
    PutU32(out + 8, static_cast<uint32_t>(height));
    PutU16(out + 12, 1);
    PutU16(out + 14, static_cast<uint16_t>(bitCount));
    // compression, image size, resolution and colour counts stay 0
}

bool HasBmpExtension(std::wstring_view path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos || dot == 0)
        return false;
    const std::wstring_view ext = path.substr(dot + 1);
    constexpr wchar_t kExt[] = L"BMP";
    if (ext.size() != 3)
        return false;
    for (size_t i = 0; i < 3; ++i) {
        wchar_t ch = ext[i];
        if (ch >= L'a' && ch <= L'z')
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
        if (ch != kExt[i])
            return false;
    }
    return true;
}

DibFault ReadDib(const uint8_t* data, size_t size, const DibRules& rules, DibView& out) {
    if (data == nullptr)
        return DibFault::UnknownFormat;
    const bool bFileHeader = size >= 2 && ReadU16(data) == kBmpSignature;
    if (!bFileHeader && !rules.bBareDib)
        return DibFault::UnknownFormat;
    const uint64_t infoOffset = bFileHeader ? kBmpFileHeaderSize : 0;
    if (size < infoOffset + 4)
        return DibFault::UnknownFormat;
    const uint8_t* info = data + infoOffset;
    const uint32_t infoSize = ReadU32(info);
    if (!IsKnownInfoSize(infoSize, rules.bLaterHeaders) || size - infoOffset < infoSize)
        return DibFault::UnknownFormat;

    const DibInfoFields f = ReadDibInfoFields(info, infoSize);
    if (!IsSupportedFormat(f, infoSize))
        return DibFault::UnknownFormat;
    const std::optional<uint64_t> entries = ColorEntries(f, infoSize);
    if (!HasSaneSize(f.nWidth, f.nHeight) || !entries)
        return DibFault::BadLayout;

    // a 40-byte header keeps its three bit-field masks after itself; later ones inside
    const bool bExtraMasks = f.nCompression == kBmpCompressionBitfields && infoSize == kBmpInfoHeaderSize;
    const uint64_t headersEnd = infoOffset + infoSize + (bExtraMasks ? 12 : 0);
    const uint64_t entrySize = infoSize == kBmpCoreHeaderSize ? 3 : 4;
    // the table may run into the pixel rows; it only has to be inside the buffer
    const uint64_t tableEnd = headersEnd + *entries * entrySize;
    if (tableEnd > size)
        return DibFault::BadLayout;

    // a bare DIB has no offset field: its rows follow the colour table
    const uint64_t pixelOffset = bFileHeader ? ReadU32(data + 10) : tableEnd;
    const uint64_t absHeight = f.nHeight < 0 ? -f.nHeight : f.nHeight;
    const uint64_t pixelBytes = BmpRowBytes(f.nWidth, f.nBitCount) * absHeight;
    if (pixelOffset < headersEnd || pixelOffset + pixelBytes > size)
        return DibFault::BadLayout;

    out = DibView{static_cast<uint32_t>(infoOffset),
                  infoSize,
                  static_cast<int32_t>(f.nWidth),
                  static_cast<int32_t>(f.nHeight),
                  f.nBitCount,
                  f.nCompression,
                  static_cast<uint32_t>(*entries),
                  static_cast<uint32_t>(entrySize),
                  static_cast<uint32_t>(pixelOffset),
                  static_cast<uint32_t>(pixelBytes)};
    return DibFault::None;
}

std::optional<DibView> ParseBmpFile(const uint8_t* data, size_t size) {
    DibView view{};
    if (ReadDib(data, size, DibRules{.bBareDib = false, .bLaterHeaders = true}, view) != DibFault::None)
        return std::nullopt;
    return view;
}

bool IsWholeBmpFile(const uint8_t* data, size_t size) {
    return ParseBmpFile(data, size).has_value() && ReadU32(data + 2) == size;
}
