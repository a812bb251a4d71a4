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

const char* CheckFileView(const BmpFileView& v, const uint8_t* data, size_t size) {
    if (v.infoOffset != 14)
        return "ParseBmpFile: info header not at 14";
    if (!IsSaneSize(v.width, v.height))
        return "ParseBmpFile: size outside the caps";
    const uint64_t masks = v.compression == kBmpCompressionBitfields && v.infoSize == 40 ? 12 : 0;
    const uint64_t headersEnd = 14 + uint64_t{v.infoSize} + masks;
    const uint64_t tableEnd = headersEnd + uint64_t{v.colorEntries} * (v.infoSize == 12 ? 3 : 4);
    if (tableEnd > size)
        return "ParseBmpFile: colour table past the end";
    if (v.pixelOffset < headersEnd)
        return "ParseBmpFile: rows start inside the headers";
    if (v.pixelBytes != BmpRowBytes(v.width, v.bitCount) * AbsHeight(v.height))
        return "ParseBmpFile: pixelBytes is not rows x height";
    if (uint64_t{v.pixelOffset} + v.pixelBytes > size)
        return "ParseBmpFile: rows past the end";
    CopyRegion(data, v.infoOffset, tableEnd - v.infoOffset);
    CopyRegion(data, v.pixelOffset, v.pixelBytes);
    return nullptr;
}

const char* CheckDibView(const DibView& v, const uint8_t* data, size_t size) {
    if (v.infoOffset != 0 && v.infoOffset != 14)
        return "ParseDib: info header neither at 0 nor at 14";
    if (v.headerSize != 12 && v.headerSize != 40)
        return "ParseDib: header size other than 12 or 40";
    if (!IsSaneSize(v.width, v.height))
        return "ParseDib: size outside the caps";
    const uint64_t masks = v.compression == 3 ? 12 : 0;
    const uint64_t headersEnd = uint64_t{v.infoOffset} + v.headerSize + masks;
    const uint64_t tableEnd = headersEnd + uint64_t{v.colorEntries} * v.colorEntrySize;
    if (tableEnd > size)
        return "ParseDib: colour table past the end";
    if (v.pixelOffset < headersEnd)
        return "ParseDib: rows start inside the headers";
    if (v.pixelBytes != DibRowBytes(v.width, v.bitCount) * AbsHeight(v.height))
        return "ParseDib: pixelBytes is not rows x height";
    if (uint64_t{v.pixelOffset} + v.pixelBytes > size)
        return "ParseDib: rows past the end";
    CopyRegion(data, v.infoOffset, tableEnd - v.infoOffset);
    const std::vector<uint8_t> rows = CopyRegion(data, v.pixelOffset, v.pixelBytes);
    if (v.bitCount == 24) {
        const int height = static_cast<int>(AbsHeight(v.height));
        const std::vector<uint8_t> rgb = PackRgbRows(rows.data(), v.width, height);
        if (rgb.size() != static_cast<size_t>(v.width) * height * 3)
            return "PackRgbRows: result is not width x height triples";
    }
    return nullptr;
}

// Both parsers judge a "BM" file with a 12- or 40-byte header by the same rules.
const char* CheckAgreement(const std::optional<BmpFileView>& file, bool bDib, const DibView& dib, const uint8_t* data,
                           size_t size) {
    if (size < 18 || data[0] != 'B' || data[1] != 'M')
        return file ? "ParseBmpFile: accepted a file without BM" : nullptr;
    const uint32_t infoSize = data[14] | (data[15] << 8) | (data[16] << 16) | (uint32_t{data[17]} << 24);
    if (infoSize != 12 && infoSize != 40)
        return nullptr;
    if (file.has_value() != bDib)
        return "ParseBmpFile and ParseDib disagree on accepting a file";
    if (bDib &&
        (file->pixelOffset != dib.pixelOffset || file->pixelBytes != dib.pixelBytes || file->width != dib.width ||
         file->height != dib.height || file->bitCount != dib.bitCount || file->colorEntries != dib.colorEntries))
        return "ParseBmpFile and ParseDib disagree on the layout";
    return nullptr;
}

} // namespace

BmpFuzzOutcome RunBmpParsers(const uint8_t* data, size_t size) {
    const std::optional<BmpFileView> file = ParseBmpFile(data, size);
    DibView dib{};
    const bool bDib = ParseDib(data, size, dib) == DibError::None;
    const char* pFailure = file ? CheckFileView(*file, data, size) : nullptr;
    if (!pFailure && bDib)
        pFailure = CheckDibView(dib, data, size);
    if (!pFailure)
        pFailure = CheckAgreement(file, bDib, dib, data, size);
    return {file.has_value(), bDib, pFailure};
}
