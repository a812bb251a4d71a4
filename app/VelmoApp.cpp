#include "VelmoApp.h"

#include <commctrl.h>

#include "CrashHandler.h"
#include "KioskAccount.h"
#include "SingleInstance.h"
#include "StopCommand.h"
#include "Watchdog.h"
#include "framework/Log.h"
#include "records/RecordKeeper.h"
#include "shell/VelmoDlg.h"

#include <cwchar>

CVelmoApp theApp;

namespace {

void LogStart() {
    const bool bRestarted = wcsstr(::GetCommandLineW(), kRestartedSwitch) != nullptr;
    LogEvent(L"Velmo %ls started%ls: screen %dx%d, process %lu, folder %ls", VELMO_VERSION,
             bRestarted ? L" again after a fault or a hang" : L"", ::GetSystemMetrics(SM_CXSCREEN),
             ::GetSystemMetrics(SM_CYSCREEN), ::GetCurrentProcessId(), ProgramFolder().c_str());
}

std::wstring ReadSetting(const wchar_t* pszSection, const wchar_t* pszKey, const std::wstring& ini) {
    wchar_t szValue[1024] = L"";
    ::GetPrivateProfileStringW(pszSection, pszKey, L"", szValue, ARRAYSIZE(szValue), ini.c_str());
    return szValue;
}

ShareSettings ReadShareSettings() {
    const std::wstring ini = ProgramFolder() + L"Config.ini";
    wchar_t szComputer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD n = ARRAYSIZE(szComputer);
    ::GetComputerNameW(szComputer, &n);
    std::vector<std::wstring> notes;
    const ShareSettings settings = ParseShareSettings(
        ReadSetting(L"Share", L"Folder", ini), ReadSetting(L"Share", L"Kiosk", ini),
        static_cast<int>(::GetPrivateProfileIntW(L"Records", L"KeepDays", 0, ini.c_str())), szComputer, notes);
    for (const std::wstring& note : notes)
        LogEvent(L"%ls", note.c_str());
    return settings;
}

} // namespace

BOOL CVelmoApp::InitInstance() {
    const StartRequest start = ParseStartRequest(::GetCommandLineW());
    const CKioskAccount account;
    if (start.bStop || !account.MayRunKiosk()) {
        m_nExitCode = start.bStop ? StopRunningKiosk(account.StopAccounts()) : kExitNotKioskAccount;
        return FALSE;
    }
    InstallCrashHandler(start);
    CSingleInstance instance;
    if (!instance.Acquire(account.BoundarySid(), start.predecessor))
        return FALSE;
    LogStart();

    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    ::InitCommonControlsEx(&icc);
    CWinApp::InitInstance();
    m_gdiplus.Startup(m_gdiplusStartupInput);
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    const DWORD dwStart = ::GetTickCount();
    StartRecordKeeping(ReadShareSettings());
    {
        CVelmoDlg dlg;
        CWatchdog watchdog(instance.StopEvent());
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    StopRecordKeeping();
    LogEvent(L"Velmo %ls ended after %lu s: screen %dx%d", VELMO_VERSION, (::GetTickCount() - dwStart) / 1000,
             ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    // the dialog-based kiosk ends when its main dialog does
    return FALSE;
}

int CVelmoApp::ExitInstance() {
    m_gdiplus.Shutdown();
    CWinApp::ExitInstance();
    return m_nExitCode;
}
