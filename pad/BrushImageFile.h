// Reading the pad's brush image from a DIB file through the system's own
// conversion to 24 bits.
#pragma once

#include <windows.h>

#include "pad/BrushImage.h"

// Reads a BMP file or a bare DIB. Returns None and fills image on success;
// otherwise why not, and image stays empty.
BrushError ReadBrushImage(const wchar_t* pszFile, CBrushImage& image);
