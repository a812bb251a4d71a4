// CBitmapEx: one bitmap in the display's pixel format, with the four
// routines the kiosk needs: paint a rectangle of it, load and save BMP
// files, and copy a rectangle of the screen into it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "framework/Gdi.h"

class CBitmapEx {
public:
    CBitmapEx() = default;
    CBitmapEx(CBitmapEx&&) = default;
    CBitmapEx& operator=(CBitmapEx&&) = default;

    HBITMAP GetSafeHandle() const { return m_bitmap.Get(); }
    SIZE GetSize() const;

    void PaintRect(HDC hdcTarget, const RECT& rc);
    // Nonzero when the file gave a bitmap; anything else leaves none.
    BOOL LoadBmpFile(const wchar_t* pszPath);
    BOOL SaveBmpFile(const wchar_t* pszPath);
    BOOL CopyScreenRect(const RECT& rc);
    // The whole BMP file SaveBmpFile would write, in memory; false (and
    // nothing) when there is no bitmap or the display is deeper than 32 bits
    // (DisplayFileBitCount 0), which is logged.
    bool EncodeBmp(std::vector<uint8_t>& file) const;
    // Builds the bitmap from a whole BMP file image in memory, as LoadBmpFile
    // does once the file is read; false (and no bitmap) for a file it refuses
    // or a bitmap the system could not make.
    bool DecodeBmp(const uint8_t* data, size_t size);
    // Takes ownership of a bitmap made elsewhere, dropping the one held.
    void Attach(HBITMAP hBitmap) { m_bitmap.Reset(hBitmap); }

    RECT m_rcLastPaint{};

private:
    CBitmapHandle m_bitmap;
};

// A bitmap in the display's pixel format for a picture that is composed and
// then saved. On a 32-bit display it is a bottom-up DIB section whose rows are
// laid out as a 32-bit BMP file's, so EncodeBmp copies them in one pass; on
// other displays a compatible device bitmap. Null when it cannot be made.
// (GDI+ draws slower into such a section, so the back buffer stays a device
// bitmap.)
HBITMAP CreateCanvasBitmap(HDC hdcScreen, int cx, int cy);

// Bits per pixel of a BMP file saved on this display; 0 when the display is
// deeper than any file depth.
int DisplayFileBitCount();

// The whole file in memory; false when it cannot be opened or read whole, or
// is far larger than any picture.
bool ReadPictureFile(const wchar_t* pszPath, std::vector<uint8_t>& bytes);
