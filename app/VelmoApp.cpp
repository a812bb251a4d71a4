#include "VelmoApp.h"

#include <commctrl.h>

#include "CrashHandler.h"
#include "KeepAwake.h"
#include "KeyGuard.h"
#include "KioskAccount.h"
#include "KioskSettings.h"
#include "SingleInstance.h"
#include "StopCommand.h"
#include "Watchdog.h"
#include "framework/Log.h"
#include "records/RecordKeeper.h"
#include "records/SignInRecord.h"
#include "shell/VelmoDlg.h"

#include <cwchar>
#include <optional>

CVelmoApp theApp;

namespace {

void LogStart() {
    const bool bRestarted = wcsstr(::GetCommandLineW(), kRestartedSwitch) != nullptr;
    LogEvent(L"Velmo %ls started%ls: screen %dx%d, process %lu, folder %ls", VELMO_VERSION,
             bRestarted ? L" again after a fault or a hang" : L"", ::GetSystemMetrics(SM_CXSCREEN),
             ::GetSystemMetrics(SM_CYSCREEN), ::GetCurrentProcessId(), ProgramFolder().c_str());
}

void LogEnd(DWORD dwStart) {
    LogEvent(L"Velmo %ls ended after %lu s: screen %dx%d", VELMO_VERSION, (::GetTickCount() - dwStart) / 1000,
             ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

// Every relative path of the program (pictures, photo, records) is resolved
// against the folder of the executable, wherever it was started.
void MakeProgramFolderCurrent() {
    wchar_t szPath[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    if (wchar_t* pSlash = wcsrchr(szPath, L'\\')) {
        *pSlash = L'\0';
        ::SetCurrentDirectoryW(szPath);
    }
}

// Config.ini beside the program, read once; the system's reader knows the
// file's encodings, the rest is portable.
KioskSettings ReadSettings() {
    const std::wstring ini = ProgramFolder() + L"Config.ini";
    const SettingReader read = [&](const wchar_t* pszSection, const wchar_t* pszKey) {
        wchar_t szValue[1024] = L"";
        ::GetPrivateProfileStringW(pszSection, pszKey, L"", szValue, ARRAYSIZE(szValue), ini.c_str());
        return std::wstring(szValue);
    };
    wchar_t szComputer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD n = ARRAYSIZE(szComputer);
    ::GetComputerNameW(szComputer, &n);
    std::vector<std::wstring> notes;
    const KioskSettings settings = ParseKioskSettings(read, szComputer, notes);
    for (const std::wstring& note : notes)
        LogEvent(L"%ls", note.c_str());
    return settings;
}

void RunKiosk(CWinApp& app, const PageSettings& settings, HANDLE hStop) {
    std::optional<CKeyGuard> keyGuard;
    if (settings.bLockdown) {
        // a box such as "no disk in the drive" would wait for someone to answer it
        ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        keyGuard.emplace();
        LogEvent(L"Lock-down: on; only Velmo.exe /stop ends the kiosk");
    }
    CVelmoDlg dlg(settings);
    CWatchdog watchdog(hStop);
    app.m_pMainWnd = &dlg;
    dlg.DoModal();
    app.m_pMainWnd = nullptr;
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
    MakeProgramFolderCurrent();
    const KioskSettings settings = ReadSettings();

    const DWORD dwStart = ::GetTickCount();
    RecoverStrandedRecords();
    StartRecordKeeping(settings.share);
    const CKeepAwake awake(settings.bKeepDisplayOn);
    RunKiosk(*this, settings.page, instance.StopEvent());
    StopRecordKeeping();
    LogEnd(dwStart);
    // the dialog-based kiosk ends when its main dialog does
    return FALSE;
}

int CVelmoApp::ExitInstance() {
    m_gdiplus.Shutdown();
    CWinApp::ExitInstance();
    return m_nExitCode;
}
