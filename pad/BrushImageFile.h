// Reading the pad's brush image from a DIB file through the system's own
// conversion to 24 bits, and the reader's message box.
#pragma once

#include <windows.h>

#include <string>

#include "pad/BrushImage.h"

// Reads a BMP file or a bare DIB. Returns "" and fills image on success;
// otherwise the text the pad shows in its "Error" box, and image stays empty.
std::wstring ReadBrushImage(const wchar_t* pszFile, CBrushImage& image);

// The reader's message box: caption "Error".
void ReportBrushError(HWND hOwner, const std::wstring& text);
