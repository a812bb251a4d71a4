#include "BrushTexture.h"

#include <cmath>
#include <new>
#include <utility>

#include "framework/Gdi.h"
#include "framework/Handle.h"
#include "pad/BrushImage.h"

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

std::wstring OpenFailedText(const wchar_t* pszFile) {
    return std::wstring(L"Failed to open DIB file ") + pszFile + L".\n";
}

// The system converts whatever depth the file has into 24-bit rows, which
// are then packed into the RGB triples the texture takes.
DibError ConvertTo24(const uint8_t* data, const DibView& view, CBrushImage& image) {
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
        return DibError::OutOfMemory;

    CDC dc = CDC::CreateCompatible(nullptr);
    const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(data + view.infoOffset);
    if (!dc || ::SetDIBits(dc.Get(), dib.Get(), 0, static_cast<UINT>(height), data + view.pixelOffset, pInfo,
                           DIB_RGB_COLORS) == 0)
        return DibError::ConversionError;
    ::GdiFlush();

    std::vector<uint8_t> rgb = PackRgbRows(static_cast<const uint8_t*>(pBits), view.width, height);
    if (rgb.empty())
        return DibError::OutOfMemory;
    image.width = view.width;
    image.height = height;
    image.rgb = std::move(rgb);
    return DibError::None;
}

} // namespace

std::wstring ReadBrushImage(const wchar_t* pszFile, CBrushImage& image) {
    image = CBrushImage{};
    CHandle file(
        ::CreateFileW(pszFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return OpenFailedText(pszFile);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size))
        return OpenFailedText(pszFile);
    // an empty file cannot be mapped, and holds no header either
    if (size.QuadPart == 0)
        return DibErrorTextW(DibError::UnknownFormat);
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return DibErrorTextW(DibError::OutOfMemory);
    CHandle mapping(::CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return OpenFailedText(pszFile);
    CMappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    if (!view.Get())
        return DibErrorTextW(DibError::OutOfMemory);

    DibView dib{};
    DibError error = ParseDib(view.Get(), static_cast<size_t>(size.QuadPart), dib);
    if (error == DibError::None)
        error = ConvertTo24(view.Get(), dib, image);
    return DibErrorTextW(error);
}

void ReportBrushError(HWND hOwner, const std::wstring& text) {
    ::MessageBoxW(hOwner, text.c_str(), L"Error", MB_OK | MB_ICONERROR);
}

CBrushImage MakeSoftBrush(int size) {
    CBrushImage image;
    if (size <= 0)
        return image;
    image.width = size;
    image.height = size;
    image.rgb.resize(static_cast<size_t>(size) * size * 3);
    const double centre = (size - 1) / 2.0;
    const double radius = size / 2.0;
    const double sigma = size / 6.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double r2 = (x - centre) * (x - centre) + (y - centre) * (y - centre);
            // nothing at the rim, so a stamp has no visible square edge
            const double edge = r2 >= radius * radius ? 0.0 : 1.0 - r2 / (radius * radius);
            const double v = 255.0 * std::exp(-r2 / (2.0 * sigma * sigma)) * edge;
            const auto c = static_cast<uint8_t>(std::lround(v));
            uint8_t* p = &image.rgb[(static_cast<size_t>(y) * size + x) * 3];
            p[0] = p[1] = p[2] = c;
        }
    }
    return image;
}
