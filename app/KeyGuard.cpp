#include "KeyGuard.h"

#include "KeyGuardRule.h"
#include "framework/Log.h"

static_assert(kVkTab == VK_TAB && kVkControl == VK_CONTROL && kVkMenu == VK_MENU && kVkEscape == VK_ESCAPE &&
              kVkLeftWindows == VK_LWIN && kVkRightWindows == VK_RWIN && kVkLeftControl == VK_LCONTROL &&
              kVkRightControl == VK_RCONTROL && kVkLeftMenu == VK_LMENU && kVkRightMenu == VK_RMENU);

namespace {
constexpr DWORD kStartMs = 5000;
// only the hook thread reads and changes it, one event at a time
CKeyGuardRule g_rule;
} // namespace

CKeyGuard::CKeyGuard() : m_hReady(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (m_hReady)
        m_hThread = CHandle(::CreateThread(nullptr, 0, HookThread, this, 0, &m_dwThreadId));
    if (!m_hThread) {
        LogEvent(L"Lock-down: the key guard could not start (%ls); the system's keys stay active",
                 DescribeError(::GetLastError()).c_str());
        return;
    }
    ::WaitForSingleObject(m_hReady.Get(), kStartMs);
}

CKeyGuard::~CKeyGuard() {
    if (!m_hThread)
        return;
    ::PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    ::WaitForSingleObject(m_hThread.Get(), INFINITE);
}

DWORD WINAPI CKeyGuard::HookThread(void* pParam) {
    auto* pGuard = static_cast<CKeyGuard*>(pParam);
    MSG msg;
    // the queue exists before the destructor can post its WM_QUIT
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    HHOOK hHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, OnKey, ::GetModuleHandleW(nullptr), 0);
    if (!hHook)
        LogEvent(L"Lock-down: the key guard could not hook the keyboard (%ls); the system's keys stay active",
                 DescribeError(::GetLastError()).c_str());
    ::SetEvent(pGuard->m_hReady.Get());
    if (!hHook)
        return 0;
    // the hook is called through this thread's messages: it answers at once, whatever the page does
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    ::UnhookWindowsHookEx(hHook);
    return 0;
}

LRESULT CALLBACK CKeyGuard::OnKey(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION) {
        const auto* pKey = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (g_rule.Swallows(pKey->vkCode, (pKey->flags & LLKHF_UP) != 0, (pKey->flags & LLKHF_ALTDOWN) != 0))
            return 1;
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
