#include "desk/DeskApp.h"

#include <commctrl.h>
#include <shellapi.h>

#include "desk/DeskDlg.h"
#include "desk/DeskExport.h"
#include "framework/Log.h"

CDeskApp theApp;

BOOL CDeskApp::InitInstance() {
    CWinApp::InitInstance();
    m_gdiplus.Startup(m_gdiplusStartupInput);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const bool bExport = argv && argc >= 2 && ::lstrcmpiW(argv[1], L"/export") == 0;
    if (bExport)
        m_nExitCode = RunExportCommand(argc, argv);
    ::LocalFree(argv);
    if (bExport)
        return FALSE;

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&icc);
    LogEvent(L"Desk %ls started: process %lu, folder %ls", VELMO_VERSION, ::GetCurrentProcessId(),
             ProgramFolder().c_str());
    {
        CDeskDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    LogEvent(L"Desk %ls ended", VELMO_VERSION);
    return FALSE;
}

int CDeskApp::ExitInstance() {
    m_gdiplus.Shutdown();
    CWinApp::ExitInstance();
    return m_nExitCode;
}
