// Watches the user-interface thread from a thread of its own: one that has
// not answered for 30 s is taken as hung, and one that has ended (a system
// that ends a thread whose stack overflowed) as failed; the crash path dumps
// the kiosk and starts a fresh one. Also carries Velmo.exe /stop's request onto that
// thread, where ending the message loop closes the page, however locked.
#pragma once

#include "framework/Handle.h"

class CWatchdog {
public:
    // Made on the user-interface thread, for as long as the page runs.
    explicit CWatchdog(HANDLE hStopEvent);
    ~CWatchdog();
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static DWORD WINAPI WatchThread(void* pParam);
    static VOID CALLBACK OnStopRequested(void* pParam, BOOLEAN bTimedOut);
    void Watch();

    DWORD m_dwUiThreadId;
    CHandle m_hUiThread;
    HWND m_hWnd = nullptr; // message-only, on the user-interface thread
    CHandle m_hQuit;
    CHandle m_hThread;
    HANDLE m_hStopWait = nullptr;
};
