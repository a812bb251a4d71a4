#include "Watchdog.h"

#include "CrashHandler.h"
#include "framework/Log.h"

namespace {

constexpr ULONGLONG kHangMs = 30000;
constexpr DWORD kPollMs = 1000;
constexpr UINT kStopMessage = WM_APP + 1;
constexpr const wchar_t* kClassName = L"Velmo.Watchdog";

// Milliseconds that leave out sleep and hibernation: a kiosk that wakes up
// after a night must not count the night as silence.
ULONGLONG AwakeMs() {
    ULONGLONG t = 0;
    ::QueryUnbiasedInterruptTime(&t);
    return t / 10000;
}

} // namespace

CWatchdog::CWatchdog(HANDLE hStopEvent)
    : m_dwUiThreadId(::GetCurrentThreadId()), m_hUiThread(::OpenThread(SYNCHRONIZE, FALSE, m_dwUiThreadId)),
      m_hQuit(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    ::RegisterClassW(&wc);
    m_hWnd = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (!m_hWnd || !m_hQuit || !m_hUiThread) {
        LogEvent(L"Watchdog: could not start (%ls); a hang is not noticed", DescribeError(::GetLastError()).c_str());
        return;
    }
    if (hStopEvent)
        ::RegisterWaitForSingleObject(&m_hStopWait, hStopEvent, OnStopRequested, m_hWnd, INFINITE, WT_EXECUTEONLYONCE);
    m_hThread = CHandle(::CreateThread(nullptr, 0, WatchThread, this, 0, nullptr));
}

CWatchdog::~CWatchdog() {
    if (m_hStopWait)
        ::UnregisterWaitEx(m_hStopWait, INVALID_HANDLE_VALUE);
    if (m_hThread) {
        ::SetEvent(m_hQuit.Get());
        // the watch may be sending to this thread right now: answer it while waiting
        HANDLE hThread = m_hThread.Get();
        while (::MsgWaitForMultipleObjects(1, &hThread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWatchdog::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStopMessage) {
        LogEvent(L"Stop: asked to end by Velmo.exe /stop");
        // every modal loop, the page's and a message box's, ends on WM_QUIT and passes it on
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

VOID CALLBACK CWatchdog::OnStopRequested(void* pParam, BOOLEAN) {
    ::PostMessageW(static_cast<HWND>(pParam), kStopMessage, 0, 0);
}

DWORD WINAPI CWatchdog::WatchThread(void* pParam) {
    static_cast<CWatchdog*>(pParam)->Watch();
    return 0;
}

void CWatchdog::Watch() {
    ULONGLONG lastAnswer = AwakeMs();
    const HANDLE handles[] = {m_hQuit.Get(), m_hUiThread.Get()};
    for (;;) {
        const DWORD dwWait = ::WaitForMultipleObjects(2, handles, FALSE, kPollMs);
        if (dwWait == WAIT_OBJECT_0 + 1)
            EndFailedKiosk(m_dwUiThreadId, 0);
        if (dwWait != WAIT_TIMEOUT)
            return;
        // a sent message is answered by any message loop, a box's or a menu's too
        DWORD_PTR result = 0;
        if (::SendMessageTimeoutW(m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, kPollMs, &result)) {
            lastAnswer = AwakeMs();
        } else if (const ULONGLONG silent = AwakeMs() - lastAnswer; silent >= kHangMs) {
            EndFailedKiosk(m_dwUiThreadId, static_cast<DWORD>(silent));
        }
    }
}
