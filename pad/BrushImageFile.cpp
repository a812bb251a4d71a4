#include "BrushImageFile.h"

#include <utility>

#include "framework/FileIo.h"
#include "framework/Gdi.h"

namespace {


// The system converts whatever depth the file has into 24-bit rows, which
// are then packed into the RGB triples the texture takes.
BrushError ConvertTo24(const uint8_t* data, const DibView& view, CBrushImage& image) {
    const int height = view.height < 0 ? -view.height : view.height;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = view.width;
    bmi.bmiHeader.biHeight = height; // bottom row first, as the texture wants
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    CBitmapHandle dib(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!dib || !pBits)
        return BrushError::OutOfMemory;

    const CMemoryDC dc(nullptr);
    const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(data + view.infoOffset);
    if (!dc || ::SetDIBits(dc.Get(), dib.Get(), 0, static_cast<UINT>(height), data + view.pixelOffset, pInfo,
                           DIB_RGB_COLORS) == 0)
        return BrushError::ConversionError;
    ::GdiFlush();

    std::vector<uint8_t> rgb = PackRgbRows(static_cast<const uint8_t*>(pBits), view.width, height);
    if (rgb.empty())
        return BrushError::OutOfMemory;
    image.width = view.width;
    image.height = height;
    image.rgb = std::move(rgb);
    return BrushError::None;
}

} // namespace

BrushError ReadBrushImage(const wchar_t* pszFile, CBrushImage& image) {
    image = CBrushImage{};
    std::vector<uint8_t> bytes;
    switch (ReadWholeFile(pszFile, kBmpMaxFileBytes, bytes)) {
    case ReadFault::None:
        break;
    case ReadFault::CannotOpen:
    case ReadFault::ShortRead:
        return BrushError::OpenFailed;
    case ReadFault::TooLarge:
    case ReadFault::OutOfMemory:
        return BrushError::OutOfMemory;
    }
    // an empty file holds no header
    if (bytes.empty())
        return BrushError::UnknownFormat;

    DibView dib{};
    BrushError error = ParseBrushDib(bytes.data(), bytes.size(), dib);
    if (error == BrushError::None)
        error = ConvertTo24(bytes.data(), dib, image);
    return error;
}
