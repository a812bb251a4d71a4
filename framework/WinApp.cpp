#include "WinApp.h"

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

CLoopEnd RunMessageLoop(const bool* pbEnd) {
    MSG msg{};
    while (!pbEnd || !*pbEnd) {
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
