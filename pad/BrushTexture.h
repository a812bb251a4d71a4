// The pad's brush image: read from a DIB file through the system's own
// conversion to 24 bits, or made in code when the artwork is unusable.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// width x height packed red, green, blue triples, bottom row first.
struct CBrushImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    bool IsEmpty() const { return width <= 0 || height <= 0 || rgb.empty(); }
};

// Reads a BMP file or a bare DIB. Returns "" and fills image on success;
// otherwise the text the pad shows in its "Error" box, and image stays empty.
std::wstring ReadBrushImage(const wchar_t* pszFile, CBrushImage& image);

// The reader's message box: caption "Error".
void ReportBrushError(HWND hOwner, const std::wstring& text);

// A soft round brush: a Gaussian disc, white in the middle, black outside.
CBrushImage MakeSoftBrush(int size = 32);
