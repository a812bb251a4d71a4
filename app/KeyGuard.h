// A locked-down kiosk's hold on the system's keys (see KeyGuardRule.h): a
// low-level keyboard hook on a thread of its own, so that a busy or hung
// user-interface thread never holds up a key press anywhere on the machine.
#pragma once

#include "framework/Handle.h"

class CKeyGuard {
public:
    // Returns once the hook is in place, or has failed (and been logged).
    CKeyGuard();
    // Removes the hook.
    ~CKeyGuard();
    CKeyGuard(const CKeyGuard&) = delete;
    CKeyGuard& operator=(const CKeyGuard&) = delete;

private:
    static DWORD WINAPI HookThread(void* pParam);
    static LRESULT CALLBACK OnKey(int nCode, WPARAM wParam, LPARAM lParam);

    CHandle m_hReady;
    CHandle m_hThread;
    DWORD m_dwThreadId = 0;
};
