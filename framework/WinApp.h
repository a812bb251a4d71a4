// CWinApp: the one application object; the framework's WinMain drives it.
#pragma once

#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* GetApp() { return s_pApp; }

    // FALSE ends the process after ExitInstance, as a dialog-based program does.
    virtual BOOL InitInstance();
    virtual int ExitInstance();
    int Run();

    // Only a label for the registry; this framework stores nothing there.
    void SetRegistryKey(const wchar_t* pszKey) { m_pszRegistryKey = pszKey; }

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_pszRegistryKey = nullptr;

private:
    static CWinApp* s_pApp;
};

// How a message loop ended: by WM_QUIT (with its exit code) or otherwise.
struct CLoopEnd {
    bool bQuit;
    int nExitCode;
};

// The one message loop: gets each message, offers it to WalkPreTranslateTree,
// then translates and dispatches it; while the queue is empty it runs the idle
// handlers (IdleHandlers.h), sleeping when they wait. Runs until *pbEnd (when
// given) is true, WM_QUIT arrives or GetMessage fails.
CLoopEnd RunMessageLoop(const bool* pbEnd = nullptr);
