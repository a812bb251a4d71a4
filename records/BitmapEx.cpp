#include "BitmapEx.h"

#include <new>
#include <optional>
#include <vector>

#include "framework/Handle.h"
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
    CDC memDC = CDC::CreateCompatible(hdcTarget);
    CSelectObject select(memDC.Get(), m_bitmap.Get());
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
    CDC screenDC = CDC::CreateDisplay();
    CBitmapHandle bitmap(::CreateCompatibleBitmap(screenDC.Get(), cx, cy));
    CDC memDC = CDC::CreateCompatible(screenDC.Get());
    if (!bitmap || !memDC)
        return FALSE;
    {
        CSelectObject select(memDC.Get(), bitmap.Get());
        ::BitBlt(memDC.Get(), 0, 0, cx, cy, screenDC.Get(), rc.left, rc.top, SRCCOPY);
    }
    m_bitmap = std::move(bitmap);
    return TRUE;
}

namespace {

// Reads the whole file; false when it cannot be opened, is too large to be a
// picture, or fewer bytes arrive than it holds (bShortRead then says so).
bool ReadWholeFile(const wchar_t* pszPath, std::vector<uint8_t>& bytes, bool& bShortRead) {
    bShortRead = false;
    CHandle file(::CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size))
        return false;
    constexpr LONGLONG kMaxFileBytes = 512LL << 20; // far above any picture the kiosk writes
    if (size.QuadPart > kMaxFileBytes)
        return false;
    try {
        bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return false;
    }
    DWORD nRead = 0;
    if (!bytes.empty() && (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &nRead, nullptr) ||
                           nRead != bytes.size())) {
        bShortRead = true;
    }
    return true;
}

int DisplayDepth() {
    CDC displayDC = CDC::CreateDisplay();
    return displayDC ? ::GetDeviceCaps(displayDC.Get(), PLANES) * ::GetDeviceCaps(displayDC.Get(), BITSPIXEL) : 32;
}

} // namespace

BOOL CBitmapEx::LoadBmpFile(const wchar_t* pszPath) {
    m_bitmap.Reset();
    if (!pszPath || !HasBmpExtension(pszPath))
        return FALSE;
    std::vector<uint8_t> bytes;
    bool bShortRead = false;
    if (!ReadWholeFile(pszPath, bytes, bShortRead))
        return FALSE;
    if (bShortRead)
        return TRUE; // read but unusable: no bitmap
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M')
        return TRUE; // not a BMP file: nothing to hold
    // the headers decide how much GDI reads: check every offset against the file first
    const std::optional<BmpFileView> view = ParseBmpFile(bytes.data(), bytes.size());
    if (!view)
        return FALSE;
    CDC displayDC = CDC::CreateDisplay();
    const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(bytes.data() + view->infoOffset);
    m_bitmap.Reset(::CreateDIBitmap(displayDC.Get(), &pInfo->bmiHeader, CBM_INIT, bytes.data() + view->pixelOffset,
                                    pInfo, DIB_RGB_COLORS));
    return TRUE;
}

BOOL CBitmapEx::SaveBmpFile(const wchar_t* pszPath) {
    if (!m_bitmap)
        return FALSE;
    const int nBitCount = ChooseFileBitCount(DisplayDepth());
    if (nBitCount == 0) {
        ::MessageBoxW(nullptr, L"unKnown", nullptr, MB_OK);
        return FALSE;
    }
    const SIZE size = GetSize();
    const std::optional<BmpLayout> layout = ComputeBmpLayout(size.cx, size.cy, nBitCount);
    if (!layout)
        return FALSE;
    std::vector<uint8_t> block;
    try {
        block.assign(kBmpInfoHeaderSize + layout->colorTableBytes + layout->imageBytes, 0);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    WriteBmpInfoHeader(block.data(), size.cx, size.cy, nBitCount);
    uint8_t* pBits = block.data() + kBmpInfoHeaderSize + layout->colorTableBytes;
    int nLines = 0;
    {
        CClientDC screenDC(nullptr);
        HPALETTE hOldPalette = ::SelectPalette(screenDC.Get(), static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
        ::RealizePalette(screenDC.Get());
        nLines = ::GetDIBits(screenDC.Get(), m_bitmap.Get(), 0, static_cast<UINT>(size.cy), pBits,
                             reinterpret_cast<BITMAPINFO*>(block.data()), DIB_RGB_COLORS);
        ::SelectPalette(screenDC.Get(), hOldPalette, TRUE);
        ::RealizePalette(screenDC.Get());
    }
    if (nLines != size.cy)
        return FALSE;
    if (nBitCount == 32) {
        // the fourth byte is unused in BI_RGB files, but viewers that read it
        // as alpha would show a transparent picture: make it opaque
        for (uint32_t i = 3; i < layout->imageBytes; i += 4)
            pBits[i] = 0xFF;
    }
    uint8_t fileHeader[kBmpFileHeaderSize];
    WriteBmpFileHeader(fileHeader, *layout);
    CHandle file(::CreateFileW(pszPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return FALSE;
    DWORD nWritten = 0;
    if (!::WriteFile(file.Get(), fileHeader, sizeof(fileHeader), &nWritten, nullptr) || nWritten != sizeof(fileHeader) ||
        !::WriteFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &nWritten, nullptr) ||
        nWritten != block.size()) {
        file.Reset();
        ::DeleteFileW(pszPath); // a short file must not pass for a picture
        return FALSE;
    }
    return TRUE;
}
