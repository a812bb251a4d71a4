// One record's picture as the desk shows, prints and exports it: the file's
// bytes, checked by the BMP reader before GDI sees any of them, drawn
// stretched with halftoning onto any device context.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/Geometry.h"
#include "records/BmpFormat.h"

class CRecordPicture {
public:
    // False (and nothing to draw) for a file that is missing, too large,
    // truncated or not a BMP the reader accepts.
    bool Load(const std::wstring& path);
    bool Loaded() const { return m_view.has_value(); }
    int Width() const { return m_view ? m_view->width : 0; }
    int Height() const { return m_view ? (m_view->height < 0 ? -m_view->height : m_view->height) : 0; }
    // The whole picture stretched onto rc.
    void Draw(HDC hdc, const LayoutRect& rc) const;
    // The picture fitted into a box of cx x cy, as 32-bit rows top first;
    // empty when nothing is loaded or the box is empty.
    std::vector<uint32_t> Scaled(int cx, int cy, SIZE& size) const;

private:
    std::vector<uint8_t> m_bytes;
    std::optional<DibView> m_view;
};
