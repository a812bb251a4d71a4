#include "VelmoApp.h"

#include <commctrl.h>

#include "shell/VelmoDlg.h"

CVelmoApp theApp;

BOOL CVelmoApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    CWinApp::InitInstance();
    m_gdiplus.Startup(m_gdiplusStartupInput);
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    CVelmoDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // the dialog-based kiosk ends when its main dialog does
    return FALSE;
}

int CVelmoApp::ExitInstance() {
    m_gdiplus.Shutdown();
    return CWinApp::ExitInstance();
}
