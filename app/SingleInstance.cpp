#include "SingleInstance.h"

#include "framework/Log.h"

#include <sddl.h>

namespace {

// a kiosk that is just starting or just ending gets this long to settle
constexpr DWORD kSettleMs = 10000;
// a failed kiosk ends at once after starting its successor
constexpr DWORD kPredecessorMs = 30000;
constexpr const wchar_t* kNamespace = L"Velmo";

// Not every system has private namespaces (Wine has none): looked up, not
// imported, so that their absence falls back instead of ending the program.
struct NamespaceApi {
    decltype(&::CreateBoundaryDescriptorW) pfnCreateBoundary;
    decltype(&::AddSIDToBoundaryDescriptor) pfnAddSid;
    decltype(&::AddIntegrityLabelToBoundaryDescriptor) pfnAddLabel;
    decltype(&::DeleteBoundaryDescriptor) pfnDeleteBoundary;
    decltype(&::CreatePrivateNamespaceW) pfnCreate;
    decltype(&::OpenPrivateNamespaceW) pfnOpen;
    decltype(&::ClosePrivateNamespace) pfnClose;

    bool Complete() const {
        return pfnCreateBoundary && pfnAddSid && pfnAddLabel && pfnDeleteBoundary && pfnCreate && pfnOpen && pfnClose;
    }
};

template <typename Fn> void Resolve(HMODULE hModule, const char* pszName, Fn& pfn) {
    pfn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName)));
}

const NamespaceApi& Api() {
    static const NamespaceApi api = [] {
        NamespaceApi a{};
        HMODULE hKernel = ::GetModuleHandleW(L"kernel32.dll");
        Resolve(hKernel, "CreateBoundaryDescriptorW", a.pfnCreateBoundary);
        Resolve(hKernel, "AddSIDToBoundaryDescriptor", a.pfnAddSid);
        Resolve(hKernel, "AddIntegrityLabelToBoundaryDescriptor", a.pfnAddLabel);
        Resolve(hKernel, "DeleteBoundaryDescriptor", a.pfnDeleteBoundary);
        Resolve(hKernel, "CreatePrivateNamespaceW", a.pfnCreate);
        Resolve(hKernel, "OpenPrivateNamespaceW", a.pfnOpen);
        Resolve(hKernel, "ClosePrivateNamespace", a.pfnClose);
        return a;
    }();
    return api;
}

// A SID from its string, freed with LocalFree.
struct CLocalSid {
    PSID pSid = nullptr;
    explicit CLocalSid(const wchar_t* psz) { ::ConvertStringSidToSidW(psz, &pSid); }
    ~CLocalSid() { ::LocalFree(pSid); }
    CLocalSid(const CLocalSid&) = delete;
    CLocalSid& operator=(const CLocalSid&) = delete;
};

// The namespace and its objects: the kiosk account, administrators and the system.
struct CKioskSecurity {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, FALSE};
    explicit CKioskSecurity(const std::wstring& accountSid) {
        const std::wstring sddl = L"D:P(A;;GA;;;" + accountSid + L")(A;;GA;;;BA)(A;;GA;;;SY)";
        ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &sa.lpSecurityDescriptor,
                                                               nullptr);
    }
    ~CKioskSecurity() { ::LocalFree(sa.lpSecurityDescriptor); }
    CKioskSecurity(const CKioskSecurity&) = delete;
    CKioskSecurity& operator=(const CKioskSecurity&) = delete;
};

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

void WaitForPredecessor(uint64_t predecessor) {
    HANDLE hPredecessor = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(predecessor));
    // only a process handle counts: the number came on a command line
    if (!hPredecessor || ::GetProcessId(hPredecessor) == 0)
        return;
    ::WaitForSingleObject(hPredecessor, kPredecessorMs);
    ::CloseHandle(hPredecessor);
}

} // namespace

bool CKioskObjects::OpenNamespace(const std::wstring& accountSid, SECURITY_ATTRIBUTES* pCreate) {
    const NamespaceApi& api = Api();
    if (!api.Complete()) {
        m_prefix = L"Local\\Velmo.";
        m_bMadeHere = true;
        return true;
    }
    HANDLE hBoundary = api.pfnCreateBoundary(kNamespace, 0);
    if (!hBoundary)
        return false;
    CLocalSid account(accountSid.c_str()), medium(L"S-1-16-8192");
    // the same integrity level: a sandboxed process of the kiosk account cannot make it first either
    if (account.pSid && medium.pSid && api.pfnAddSid(&hBoundary, account.pSid) &&
        api.pfnAddLabel(&hBoundary, medium.pSid)) {
        if (pCreate && pCreate->lpSecurityDescriptor) {
            m_hNamespace = api.pfnCreate(pCreate, hBoundary, kNamespace);
            m_bMadeHere = m_hNamespace != nullptr;
        }
        if (!m_hNamespace && (!pCreate || ::GetLastError() == ERROR_ALREADY_EXISTS))
            m_hNamespace = api.pfnOpen(hBoundary, kNamespace);
    }
    const DWORD dwError = ::GetLastError();
    api.pfnDeleteBoundary(hBoundary);
    ::SetLastError(dwError);
    m_prefix = std::wstring(kNamespace) + L"\\";
    return m_hNamespace != nullptr;
}

bool CKioskObjects::Create(const std::wstring& accountSid) {
    CKioskSecurity security(accountSid);
    if (!OpenNamespace(accountSid, &security.sa))
        return false;
    SECURITY_ATTRIBUTES* pSa = m_hNamespace ? &security.sa : nullptr;
    m_hMutex = CHandle(::CreateMutexW(pSa, FALSE, (m_prefix + L"Kiosk").c_str()));
    m_hStop = CHandle(::CreateEventW(pSa, TRUE, FALSE, (m_prefix + L"Stop").c_str()));
    return m_hMutex && m_hStop;
}

bool CKioskObjects::Open(const std::wstring& accountSid) {
    if (!OpenNamespace(accountSid, nullptr))
        return false;
    m_hMutex = CHandle(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, (m_prefix + L"Kiosk").c_str()));
    m_hStop = CHandle(::OpenEventW(EVENT_MODIFY_STATE, FALSE, (m_prefix + L"Stop").c_str()));
    return m_hMutex && m_hStop;
}

void CKioskObjects::Close() {
    m_hMutex.Reset();
    m_hStop.Reset();
    if (m_hNamespace)
        Api().pfnClose(m_hNamespace, m_bMadeHere ? PRIVATE_NAMESPACE_FLAG_DESTROY : 0);
    m_hNamespace = nullptr;
    m_bMadeHere = false;
}

CSingleInstance::~CSingleInstance() {
    if (m_bOwned)
        ::ReleaseMutex(m_objects.Mutex());
}

bool CSingleInstance::Acquire(const std::wstring& accountSid, uint64_t predecessor) {
    WaitForPredecessor(predecessor);
    const DWORD dwStart = ::GetTickCount();
    for (;;) {
        if (!m_objects.Mutex() && !m_objects.Create(accountSid)) {
            LogEvent(L"Start: the one-kiosk check could not be made (%ls); this one ends",
                     DescribeError(::GetLastError()).c_str());
            return false;
        }
        // owning, not existing, decides: a kiosk that was just killed leaves an abandoned mutex
        const DWORD dwWait = ::WaitForSingleObject(m_objects.Mutex(), 100);
        if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED) {
            if (m_objects.MadeHere()) {
                // a /stop that came before this kiosk was meant for the one before
                ::ResetEvent(m_objects.StopEvent());
                m_bOwned = true;
                return true;
            }
            // the namespace is an ending kiosk's: make a fresh one once that has gone
            ::ReleaseMutex(m_objects.Mutex());
            m_objects.Close();
            ::Sleep(100);
        } else if (HWND hKiosk = FindRunningKiosk()) {
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
