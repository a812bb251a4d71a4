#include "WinApp.h"

#include "IdleHandlers.h"
#include "Wnd.h"

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp() {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

int CWinApp::Run() {
    m_hInstance = ::GetModuleHandleW(nullptr);
    if (!InitInstance())
        return ExitInstance();
    const CLoopEnd end = RunMessageLoop();
    ExitInstance();
    return end.nExitCode;
}

static_assert(kIdleDone == INFINITE);

CLoopEnd RunMessageLoop(const bool* pbEnd) {
    MSG msg{};
    while (!pbEnd || !*pbEnd) {
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            const DWORD dwWait = UiIdleHandlers().Run();
            if (dwWait == 0)
                continue; // more idle work, unless a message has come meanwhile
            if (dwWait != INFINITE) {
                // a handler waits for something outside: sleep until a message or its time
                ::MsgWaitForMultipleObjectsEx(0, nullptr, dwWait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
                continue;
            }
        }
        const BOOL bRet = ::GetMessageW(&msg, nullptr, 0, 0);
        if (bRet == -1)
            break;
        if (bRet == 0)
            return {true, static_cast<int>(msg.wParam)};
        if (!WalkPreTranslateTree(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return {false, static_cast<int>(msg.wParam)};
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CWinApp* pApp = CWinApp::GetApp();
    return pApp ? pApp->Run() : 1;
}
