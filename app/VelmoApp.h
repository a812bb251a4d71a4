// The application object: prepares the process and runs the kiosk's main
// dialog for the whole life of the process.
#pragma once

#include "framework/GdiPlus.h"
#include "framework/WinApp.h"

class CVelmoApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    Gdiplus::GdiplusStartupInput m_gdiplusStartupInput;
    CGdiplusStartup m_gdiplus; // holds m_gdiplusToken; shuts down only what started
    int m_nExitCode = 0;       // a start that was no kiosk run says how it went
};
