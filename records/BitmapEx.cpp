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

bool CBitmapEx::EncodeBmp(std::vector<uint8_t>& file) const {
    file.clear();
    if (!m_bitmap)
        return false;
    const int nBitCount = ChooseFileBitCount(DisplayDepth());
    if (nBitCount == 0) {
        ::MessageBoxW(nullptr, L"unKnown", nullptr, MB_OK);
        return false;
    }
    const SIZE size = GetSize();
    const std::optional<BmpLayout> layout = ComputeBmpLayout(size.cx, size.cy, nBitCount);
    if (!layout)
        return false;
    try {
        file.assign(layout->fileSize, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    WriteBmpFileHeader(file.data(), *layout);
    uint8_t* pInfo = file.data() + kBmpFileHeaderSize;
    WriteBmpInfoHeader(pInfo, size.cx, size.cy, nBitCount);
    uint8_t* pBits = file.data() + layout->offBits;
    int nLines = 0;
    {
        CClientDC screenDC(nullptr);
        HPALETTE hOldPalette =
            ::SelectPalette(screenDC.Get(), static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)), FALSE);
        ::RealizePalette(screenDC.Get());
        // also fills the colour table for 8 bits or less
        nLines = ::GetDIBits(screenDC.Get(), m_bitmap.Get(), 0, static_cast<UINT>(size.cy), pBits,
                             reinterpret_cast<BITMAPINFO*>(pInfo), DIB_RGB_COLORS);
        ::SelectPalette(screenDC.Get(), hOldPalette, TRUE);
        ::RealizePalette(screenDC.Get());
    }
    if (nLines != size.cy) {
        file.clear();
        return false;
    }
    // GetDIBits may have filled in the image size; the file keeps 0 there
    WriteBmpInfoHeader(pInfo, size.cx, size.cy, nBitCount);
    if (nBitCount == 32) {
        // the fourth byte is unused in BI_RGB files, but viewers that read it
        // as alpha would show a transparent picture: make it opaque
        for (uint32_t i = 3; i < layout->imageBytes; i += 4)
            pBits[i] = 0xFF;
    }
    return true;
}

BOOL CBitmapEx::SaveBmpFile(const wchar_t* pszPath) {
    std::vector<uint8_t> file;
    if (!EncodeBmp(file))
        return FALSE;
    CHandle handle(::CreateFileW(pszPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle)
        return FALSE;
    DWORD nWritten = 0;
    if (!::WriteFile(handle.Get(), file.data(), static_cast<DWORD>(file.size()), &nWritten, nullptr) ||
        nWritten != file.size()) {
        handle.Reset();
        ::DeleteFileW(pszPath); // a short file must not pass for a picture
        return FALSE;
    }
    return TRUE;
}
