#include "BrushImageFile.h"

#include <new>
#include <utility>

#include "framework/Gdi.h"
#include "framework/Handle.h"

namespace {

// A read-only view of a mapped file, unmapped once.
class CMappedView {
public:
    explicit CMappedView(const void* p) : m_p(p) {}
    ~CMappedView() {
        if (m_p)
            ::UnmapViewOfFile(m_p);
    }
    CMappedView(const CMappedView&) = delete;
    CMappedView& operator=(const CMappedView&) = delete;

    const uint8_t* Get() const { return static_cast<const uint8_t*>(m_p); }

private:
    const void* m_p;
};

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

    CDC dc = CDC::CreateCompatible(nullptr);
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
    CHandle file(
        ::CreateFileW(pszFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return BrushError::OpenFailed;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size))
        return BrushError::OpenFailed;
    // an empty file cannot be mapped, and holds no header either
    if (size.QuadPart == 0)
        return BrushError::UnknownFormat;
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return BrushError::OutOfMemory;
    CHandle mapping(::CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return BrushError::OpenFailed;
    CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.Get())
        return BrushError::OutOfMemory;

    DibView dib{};
    BrushError error = ParseBrushDib(view.Get(), static_cast<size_t>(size.QuadPart), dib);
    if (error == BrushError::None)
        error = ConvertTo24(view.Get(), dib, image);
    return error;
}
