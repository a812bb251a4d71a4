#include "tests/fuzz/BmpFuzzChecks.h"

#include "pad/BrushImage.h"
#include "records/BmpFormat.h"

#include <optional>
#include <vector>

namespace {

volatile uint32_t g_nSink; // keeps the reads of TouchRegion from being optimised away

uint64_t AbsHeight(int32_t height) {
    return height < 0 ? -static_cast<int64_t>(height) : height;
}

bool IsSaneSize(int32_t width, int32_t height) {
    const uint64_t h = AbsHeight(height);
    return width >= 1 && width <= 32768 && h >= 1 && h <= 32768 &&
           static_cast<uint64_t>(width) * h <= 64u * 1024 * 1024;
}

// Reads [offset, offset + length) through a copy of exactly that length.
std::vector<uint8_t> CopyRegion(const uint8_t* data, uint64_t offset, uint64_t length) {
    std::vector<uint8_t> copy(data + offset, data + offset + length);
    uint32_t sum = 0;
    for (uint8_t b : copy)
        sum += b;
    g_nSink = sum;
    return copy;
}

// The promises of the one reader, whichever caller asked.
const char* CheckView(const DibView& v, const uint8_t* data, size_t size) {
    if (v.infoOffset != 0 && v.infoOffset != 14)
        return "ReadDib: info header neither at 0 nor at 14";
    if (!IsSaneSize(v.width, v.height))
        return "ReadDib: size outside the caps";
    if (v.colorEntrySize != (v.infoSize == 12 ? 3u : 4u))
        return "ReadDib: colour entry size does not follow the header";
    const uint64_t masks = v.compression == kBmpCompressionBitfields && v.infoSize == 40 ? 12 : 0;
    const uint64_t headersEnd = uint64_t{v.infoOffset} + v.infoSize + masks;
    const uint64_t tableEnd = headersEnd + uint64_t{v.colorEntries} * v.colorEntrySize;
    if (tableEnd > size)
        return "ReadDib: colour table past the end";
    if (v.pixelOffset < headersEnd)
        return "ReadDib: rows start inside the headers";
    if (v.pixelBytes != BmpRowBytes(v.width, v.bitCount) * AbsHeight(v.height))
        return "ReadDib: pixelBytes is not rows x height";
    if (uint64_t{v.pixelOffset} + v.pixelBytes > size)
        return "ReadDib: rows past the end";
    CopyRegion(data, v.infoOffset, tableEnd - v.infoOffset);
    CopyRegion(data, v.pixelOffset, v.pixelBytes);
    return nullptr;
}

// The brush takes bare DIBs but only 12- and 40-byte headers, and packs 24-bit rows.
const char* CheckBrushView(const DibView& v, const uint8_t* data) {
    if (v.infoSize != 12 && v.infoSize != 40)
        return "ParseBrushDib: header size other than 12 or 40";
    if (v.bitCount == 24) {
        const int height = static_cast<int>(AbsHeight(v.height));
        const std::vector<uint8_t> rows = CopyRegion(data, v.pixelOffset, v.pixelBytes);
        const std::vector<uint8_t> rgb = PackRgbRows(rows.data(), v.width, height);
        if (rgb.size() != static_cast<size_t>(v.width) * height * 3)
            return "PackRgbRows: result is not width x height triples";
    }
    return nullptr;
}

// Both callers judge a "BM" file with a 12- or 40-byte header by the same rules.
const char* CheckAgreement(const std::optional<DibView>& file, bool bDib, const DibView& dib, const uint8_t* data,
                           size_t size) {
    if (size < 18 || data[0] != 'B' || data[1] != 'M')
        return file ? "ParseBmpFile: accepted a file without BM" : nullptr;
    const uint32_t infoSize = data[14] | (data[15] << 8) | (data[16] << 16) | (uint32_t{data[17]} << 24);
    if (infoSize != 12 && infoSize != 40)
        return nullptr;
    if (file.has_value() != bDib)
        return "ParseBmpFile and ParseBrushDib disagree on accepting a file";
    if (bDib &&
        (file->pixelOffset != dib.pixelOffset || file->pixelBytes != dib.pixelBytes || file->width != dib.width ||
         file->height != dib.height || file->bitCount != dib.bitCount || file->colorEntries != dib.colorEntries))
        return "ParseBmpFile and ParseBrushDib disagree on the layout";
    return nullptr;
}

} // namespace

BmpFuzzOutcome RunBmpParsers(const uint8_t* data, size_t size) {
    const std::optional<DibView> file = ParseBmpFile(data, size);
    DibView dib{};
    const bool bDib = ParseBrushDib(data, size, dib) == BrushError::None;
    const char* pFailure = file ? CheckView(*file, data, size) : nullptr;
    if (!pFailure && file && file->infoOffset != 14)
        pFailure = "ParseBmpFile: info header not at 14";
    if (!pFailure && bDib)
        pFailure = CheckView(dib, data, size);
    if (!pFailure && bDib)
        pFailure = CheckBrushView(dib, data);
    if (!pFailure)
        pFailure = CheckAgreement(file, bDib, dib, data, size);
    return {file.has_value(), bDib, pFailure};
}
