// CDeskApp: VelmoDesk.exe, the front desk's program. With /export it writes
// a day's CSV and pages and ends; otherwise it runs the desk's window.
#pragma once

#include "framework/GdiPlus.h"
#include "framework/WinApp.h"

class CDeskApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    CGdiplusStartup m_gdiplus;
    Gdiplus::GdiplusStartupInput m_gdiplusStartupInput;
    int m_nExitCode = 0;
};
