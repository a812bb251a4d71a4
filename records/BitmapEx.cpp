#include "BitmapEx.h"

#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "framework/FileIo.h"
#include "framework/Log.h"
#include "records/BmpFormat.h"

SIZE CBitmapEx::GetSize() const {
    BITMAP bm{};
    if (!m_bitmap || !::GetObjectW(m_bitmap.Get(), sizeof(bm), &bm))
        return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

void CBitmapEx::PaintRect(HDC hdcTarget, const RECT& rc) {
    if (!hdcTarget || !m_bitmap)
        return;
    m_rcLastPaint = rc;
    const CMemoryDC memDC(hdcTarget, m_bitmap.Get());
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    ::StretchBlt(hdcTarget, rc.left, rc.top, cx, cy, memDC.Get(), rc.left, rc.top, cx, cy, SRCCOPY);
}

BOOL CBitmapEx::CopyScreenRect(const RECT& rc) {
    m_bitmap.Reset();
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return FALSE;
    const CDC screenDC(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(screenDC.Get(), cx, cy));
    {
        const CMemoryDC memDC(screenDC.Get(), bitmap.Get());
        if (!bitmap || !memDC)
            return FALSE;
        ::BitBlt(memDC.Get(), 0, 0, cx, cy, screenDC.Get(), rc.left, rc.top, SRCCOPY);
    }
    m_bitmap = std::move(bitmap);
    return TRUE;
}

bool ReadPictureFile(const wchar_t* pszPath, std::vector<uint8_t>& bytes) {
    return ReadWholeFile(pszPath, kBmpMaxFileBytes, bytes) == ReadFault::None;
}

namespace {

int DisplayDepth(HDC hdcScreen) {
    return hdcScreen ? ::GetDeviceCaps(hdcScreen, PLANES) * ::GetDeviceCaps(hdcScreen, BITSPIXEL) : 32;
}

// The fourth byte of each 32-bit pixel is unused in BI_RGB files, but viewers
// that read it as alpha would show a transparent picture: make it opaque while
// copying, in whole words so the compiler can do several pixels per step.
// pTo may equal pFrom.
void CopyOpaque(uint8_t* pTo, const uint8_t* pFrom, size_t nBytes) {
    for (size_t i = 0; i + 4 <= nBytes; i += 4) {
        uint32_t pixel;
        std::memcpy(&pixel, pFrom + i, 4);
        pixel |= 0xFF000000u;
        std::memcpy(pTo + i, &pixel, 4);
    }
}

// The pixels of a 32-bit bottom-up DIB section, which are the rows of a
// 32-bit BMP file as they stand; null for any other bitmap.
const uint8_t* FileOrderBits(HBITMAP hBitmap, const SIZE& size) {
    DIBSECTION ds{};
    if (::GetObjectW(hBitmap, sizeof(ds), &ds) != sizeof(ds) || !ds.dsBm.bmBits)
        return nullptr;
    const BITMAPINFOHEADER& h = ds.dsBmih;
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth != size.cx || h.biHeight != size.cy ||
        ds.dsBm.bmWidthBytes != 4 * size.cx)
        return nullptr;
    return static_cast<const uint8_t*>(ds.dsBm.bmBits);
}

} // namespace

int DisplayFileBitCount() {
    CClientDC screenDC(nullptr);
    return ChooseFileBitCount(DisplayDepth(screenDC.Get()));
}

HBITMAP CreateCanvasBitmap(HDC hdcScreen, int cx, int cy) {
    if (hdcScreen && DisplayDepth(hdcScreen) == 32) {
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = cx;
        bmi.bmiHeader.biHeight = cy; // bottom-up, as the file stores rows
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* pBits = nullptr;
        if (HBITMAP hBitmap = ::CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0))
            return hBitmap;
    }
    return ::CreateCompatibleBitmap(hdcScreen, cx, cy);
}

BOOL CBitmapEx::LoadBmpFile(const wchar_t* pszPath) {
    m_bitmap.Reset();
    if (!pszPath || !HasBmpExtension(pszPath))
        return FALSE;
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(pszPath, kBmpMaxFileBytes, bytes) != ReadFault::None)
        return FALSE;
    // read but not a BMP file: nothing to hold
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M')
        return FALSE;
    return DecodeBmp(bytes.data(), bytes.size()) ? TRUE : FALSE;
}

bool CBitmapEx::DecodeBmp(const uint8_t* data, size_t size) {
    m_bitmap.Reset();
    // the headers decide how much GDI reads: check every offset against the file first
    const std::optional<DibView> view = ParseBmpFile(data, size);
    if (!view)
        return false;
    CClientDC screenDC(nullptr); // the whole screen, and much cheaper to get than a new display DC
    const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(data + view->infoOffset);
    m_bitmap.Reset(
        ::CreateDIBitmap(screenDC.Get(), &pInfo->bmiHeader, CBM_INIT, data + view->pixelOffset, pInfo, DIB_RGB_COLORS));
    return static_cast<bool>(m_bitmap);
}

bool CBitmapEx::EncodeBmp(std::vector<uint8_t>& file) const {
    if (!m_bitmap) {
        file.clear();
        return false;
    }
    CClientDC screenDC(nullptr);
    const int nBitCount = ChooseFileBitCount(DisplayDepth(screenDC.Get()));
    if (nBitCount == 0) {
        file.clear();
        LogEvent(L"BMP: a display of %d bits per pixel has no file format", DisplayDepth(screenDC.Get()));
        return false;
    }
    const SIZE size = GetSize();
    const std::optional<BmpLayout> layout = ComputeBmpLayout(size.cx, size.cy, nBitCount);
    if (!layout) {
        file.clear();
        return false;
    }
    // GetDIBits fills every byte of unpadded rows, so only padding and a
    // colour table need the block zeroed first; a reused buffer then costs
    // no extra pass over the pixels
    const bool bPadded =
        layout->rowBytes * uint64_t{8} != static_cast<uint64_t>(nBitCount) * static_cast<uint64_t>(size.cx);
    try {
        if (bPadded || layout->colorTableBytes != 0)
            file.assign(layout->fileSize, 0);
        else
            file.resize(layout->fileSize);
    } catch (const std::bad_alloc&) {
        file.clear();
        return false;
    }
    WriteBmpFileHeader(file.data(), *layout);
    uint8_t* pInfo = file.data() + kBmpFileHeaderSize;
    WriteBmpInfoHeader(pInfo, size.cx, size.cy, nBitCount);
    uint8_t* pBits = file.data() + layout->offBits;
    if (nBitCount == 32) {
        if (const uint8_t* pFrom = FileOrderBits(m_bitmap.Get(), size)) {
            ::GdiFlush(); // drawing into the section may still be batched
            CopyOpaque(pBits, pFrom, layout->imageBytes);
            return true;
        }
    }
    // the default palette decides the colour table; deeper files have none
    const bool bPalette = nBitCount <= 8;
    HPALETTE hOldPalette = nullptr;
    if (bPalette) {
        hOldPalette = ::SelectPalette(screenDC.Get(), static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
        ::RealizePalette(screenDC.Get());
    }
    // also fills the colour table for 8 bits or less
    const int nLines = ::GetDIBits(screenDC.Get(), m_bitmap.Get(), 0, static_cast<UINT>(size.cy), pBits,
                                   reinterpret_cast<BITMAPINFO*>(pInfo), DIB_RGB_COLORS);
    if (bPalette) {
        ::SelectPalette(screenDC.Get(), hOldPalette, TRUE);
        ::RealizePalette(screenDC.Get());
    }
    if (nLines != size.cy) {
        file.clear();
        return false;
    }
    // GetDIBits may have filled in the image size; the file keeps 0 there
    WriteBmpInfoHeader(pInfo, size.cx, size.cy, nBitCount);
    if (nBitCount == 32)
        CopyOpaque(pBits, pBits, layout->imageBytes);
    return true;
}

BOOL CBitmapEx::SaveBmpFile(const wchar_t* pszPath) {
    std::vector<uint8_t> file;
    if (!EncodeBmp(file))
        return FALSE;
    return WriteWholeFile(pszPath, file) ? TRUE : FALSE;
}
