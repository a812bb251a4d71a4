#include "SingleInstance.h"

#include "framework/Log.h"

namespace {

// Global: the camera is one per machine, and an administrator's session
// (where the logon entry starts the kiosk too) must not take it from the kiosk's.
constexpr const wchar_t* kMutexName = L"Global\\Velmo.Kiosk";
// a kiosk that is just starting or just ending gets this long to settle
constexpr DWORD kSettleMs = 10000;

struct FoundKiosk {
    DWORD pid = 0;
    HWND hLauncher = nullptr;
    HWND hVisible = nullptr;
};

BOOL CALLBACK FindVisibleWindow(HWND hWnd, LPARAM lParam) {
    auto* pFound = reinterpret_cast<FoundKiosk*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != pFound->pid || !::IsWindowVisible(hWnd))
        return TRUE;
    pFound->hVisible = hWnd; // the top of the z-order comes first
    return FALSE;
}

// The running kiosk's window a visitor should see: the launcher while it
// idles, otherwise whatever it shows on top (the page, the history).
HWND FindRunningKiosk() {
    FoundKiosk found;
    found.hLauncher = ::FindWindowW(L"#32770", L"HideDlg");
    if (!found.hLauncher || ::GetWindowThreadProcessId(found.hLauncher, &found.pid) == 0 ||
        found.pid == ::GetCurrentProcessId())
        return nullptr;
    if (::IsWindowVisible(found.hLauncher))
        return found.hLauncher;
    ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&found));
    return found.hVisible ? found.hVisible : found.hLauncher;
}

void BringForward(HWND hWnd) {
    // a process the user just started may hand the foreground on
    ::SetForegroundWindow(hWnd);
}

} // namespace

CSingleInstance::~CSingleInstance() {
    if (m_bOwned)
        ::ReleaseMutex(m_hMutex.Get());
}

bool CSingleInstance::Acquire() {
    m_hMutex = CHandle(::CreateMutexW(nullptr, FALSE, kMutexName));
    if (!m_hMutex) {
        // made by a kiosk running under another account
        LogEvent(L"Second start: a kiosk already runs in another session (%ls); this one ends",
                 DescribeError(::GetLastError()).c_str());
        return false;
    }
    const DWORD dwStart = ::GetTickCount();
    for (;;) {
        // owning, not existing, decides: a kiosk that was just killed leaves an abandoned mutex
        const DWORD dwWait = ::WaitForSingleObject(m_hMutex.Get(), 100);
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED) {
            m_bOwned = true;
            return true;
        }
        if (HWND hKiosk = FindRunningKiosk()) {
            BringForward(hKiosk);
            LogEvent(L"Second start: brought the running kiosk forward; this one ends");
            return false;
        }
        if (::GetTickCount() - dwStart > kSettleMs) {
            LogEvent(L"Second start: a kiosk holds the camera but shows no window here; this one ends");
            return false;
        }
    }
}
