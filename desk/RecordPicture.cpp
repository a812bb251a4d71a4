#include "desk/RecordPicture.h"

#include <cstring>

#include "desk/DeskLayout.h"
#include "desk/ShareDay.h"
#include "framework/Gdi.h"

bool CRecordPicture::Load(const std::wstring& path) {
    m_view.reset();
    if (!ReadRecordBytes(path, m_bytes))
        return false;
    m_view = ParseBmpFile(m_bytes.data(), m_bytes.size());
    if (!m_view)
        m_bytes.clear();
    return m_view.has_value();
}

void CRecordPicture::Draw(HDC hdc, const LayoutRect& rc) const {
    if (!m_view || rc.Width() <= 0 || rc.Height() <= 0)
        return;
    const int nOldMode = ::SetStretchBltMode(hdc, HALFTONE);
    POINT ptOld{};
    ::SetBrushOrgEx(hdc, 0, 0, &ptOld); // as halftoning asks after setting the mode
    // every offset below was checked against the file by the reader
    const auto* pInfo = reinterpret_cast<const BITMAPINFO*>(m_bytes.data() + m_view->infoOffset);
    ::StretchDIBits(hdc, rc.left, rc.top, rc.Width(), rc.Height(), 0, 0, Width(), Height(),
                    m_bytes.data() + m_view->pixelOffset, pInfo, DIB_RGB_COLORS, SRCCOPY);
    ::SetBrushOrgEx(hdc, ptOld.x, ptOld.y, nullptr);
    ::SetStretchBltMode(hdc, nOldMode);
}

std::vector<uint32_t> CRecordPicture::Scaled(int cx, int cy, SIZE& size) const {
    size = {0, 0};
    const LayoutRect fitted = FitPicture(Width(), Height(), {0, 0, cx, cy}, true);
    if (!m_view || fitted.Width() <= 0 || fitted.Height() <= 0)
        return {};
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), fitted.Width(), -fitted.Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pBits = nullptr;
    CClientDC screenDC(nullptr);
    CBitmapHandle bitmap(::CreateDIBSection(screenDC.Get(), &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!bitmap || !pBits)
        return {};
    {
        CMemoryDC memDC(screenDC.Get(), bitmap.Get());
        if (!memDC)
            return {};
        Draw(memDC.Get(), {0, 0, fitted.Width(), fitted.Height()});
        ::GdiFlush();
    }
    size = {fitted.Width(), fitted.Height()};
    std::vector<uint32_t> pixels(static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy));
    std::memcpy(pixels.data(), pBits, pixels.size() * 4);
    return pixels;
}
