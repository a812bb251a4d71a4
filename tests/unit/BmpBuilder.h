// Builders of BMP files and bare DIBs for the reader's tests.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bmptest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline uint32_t RowBytes(int32_t width, int bits) {
    return static_cast<uint32_t>((bits * width + 31) / 32 * 4);
}

// A bare DIB with a 40-byte header: header, masks, table, rows.
inline Bytes MakeInfoDib(int32_t width, int32_t height, uint16_t bits, uint32_t clrUsed = 0, uint32_t compression = 0) {
    const uint32_t entries = clrUsed ? clrUsed : (bits <= 8 ? 1u << bits : 0);
    const uint32_t masks = compression == 3 ? 12 : 0;
    const uint32_t rows = RowBytes(width, bits) * static_cast<uint32_t>(height < 0 ? -height : height);
    Bytes dib(40 + masks + entries * 4 + rows, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, static_cast<uint32_t>(width));
    Put32(dib, 8, static_cast<uint32_t>(height));
    Put16(dib, 12, 1);
    Put16(dib, 14, bits);
    Put32(dib, 16, compression);
    Put32(dib, 32, clrUsed);
    return dib;
}

// A bare DIB with a 12-byte core header and 3-byte table entries.
inline Bytes MakeCoreDib(uint16_t width, uint16_t height, uint16_t bits) {
    const uint32_t entries = bits <= 8 ? 1u << bits : 0;
    Bytes dib(12 + entries * 3 + RowBytes(width, bits) * height, 0);
    Put32(dib, 0, 12);
    Put16(dib, 4, width);
    Put16(dib, 6, height);
    Put16(dib, 8, 1);
    Put16(dib, 10, bits);
    return dib;
}

// The same DIB behind a 14-byte file header whose bfOffBits is pixelOffset
// (0: right after the table).
inline Bytes WithFileHeader(const Bytes& dib, uint32_t pixelOffset = 0, size_t rowsAt = 0) {
    Bytes file(14 + dib.size(), 0);
    std::copy(dib.begin(), dib.end(), file.begin() + 14);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(file.size()));
    Put32(file, 10, pixelOffset ? pixelOffset : static_cast<uint32_t>(14 + rowsAt));
    return file;
}

} // namespace bmptest
