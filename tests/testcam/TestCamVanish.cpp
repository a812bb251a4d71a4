// Vanish mode's device list: the instance key leaves the video input category
// and comes back, as a camera that is pulled out and plugged in again would.
#include <new>

#include "TestCamFilter.h"

namespace {

const wchar_t kInstances[] = L"Software\\Classes\\CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance";
// under the test camera's own class key, so removing the class removes it too
const wchar_t kAway[] = L"Software\\Classes\\CLSID\\{B31F1697-C987-4DC2-AD56-B3FEAC6AACF7}\\Away";
constexpr REGSAM kAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() {
        if (m_h)
            RegCloseKey(m_h);
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    bool Open(const wchar_t* pszPath) { return RegOpenKeyExW(HKEY_LOCAL_MACHINE, pszPath, 0, kAccess, &m_h) == 0; }
    bool Create(const wchar_t* pszPath) {
        return RegCreateKeyExW(HKEY_LOCAL_MACHINE, pszPath, 0, nullptr, 0, kAccess, nullptr, &m_h, nullptr) == 0;
    }
    HKEY Get() const { return m_h; }

private:
    HKEY m_h = nullptr;
};

// The instance subkey whose FriendlyName is pszName.
bool FindInstance(const wchar_t* pszName, wchar_t* pszKey, DWORD cchKey) {
    CRegKey instances;
    if (!instances.Open(kInstances))
        return false;
    for (DWORD i = 0;; ++i) {
        DWORD cch = cchKey;
        if (RegEnumKeyExW(instances.Get(), i, pszKey, &cch, nullptr, nullptr, nullptr, nullptr) != 0)
            return false;
        wchar_t szName[128] = L"";
        DWORD cb = sizeof(szName) - sizeof(wchar_t);
        if (RegGetValueW(instances.Get(), pszKey, L"FriendlyName", RRF_RT_REG_SZ, nullptr, szName, &cb) == 0 &&
            lstrcmpW(szName, pszName) == 0)
            return true;
    }
}

bool MoveKey(const wchar_t* pszFrom, const wchar_t* pszTo) {
    CRegKey from, to;
    if (!from.Open(pszFrom) || !to.Create(pszTo) || RegCopyTreeW(from.Get(), nullptr, to.Get()) != 0)
        return false;
    RegDeleteTreeW(from.Get(), nullptr);
    return RegDeleteKeyExW(HKEY_LOCAL_MACHINE, pszFrom, KEY_WOW64_64KEY, 0) == 0;
}

struct CReturn {
    wchar_t szInstance[MAX_PATH];
    wchar_t szAway[MAX_PATH];
    DWORD nBackAfterMs;
    HMODULE hModule;
};

DWORD WINAPI ReturnThreadProc(void* pParam) {
    CReturn* pReturn = static_cast<CReturn*>(pParam);
    Sleep(pReturn->nBackAfterMs);
    if (MoveKey(pReturn->szAway, pReturn->szInstance)) {
        CRegKey back;
        static const wchar_t kPreview[] = L"preview";
        if (back.Open(pReturn->szInstance))
            RegSetValueExW(back.Get(), L"Mode", 0, REG_SZ, reinterpret_cast<const BYTE*>(kPreview), sizeof(kPreview));
    }
    const HMODULE hModule = pReturn->hModule;
    delete pReturn;
    FreeLibraryAndExitThread(hModule, 0);
}

} // namespace

void VanishTestCamFor(const wchar_t* pszName, DWORD nBackAfterMs) {
    wchar_t szKey[MAX_PATH] = L"";
    if (!pszName[0] || !FindInstance(pszName, szKey, MAX_PATH))
        return;
    CReturn* pReturn = new (std::nothrow) CReturn{};
    if (!pReturn)
        return;
    wsprintfW(pReturn->szInstance, L"%ls\\%ls", kInstances, szKey);
    wsprintfW(pReturn->szAway, L"%ls\\%ls", kAway, szKey);
    pReturn->nBackAfterMs = nBackAfterMs;
    // the thread holds the DLL: the graph lets go of the filter long before
    if (!MoveKey(pReturn->szInstance, pReturn->szAway) ||
        !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ReturnThreadProc),
                            &pReturn->hModule)) {
        delete pReturn;
        return;
    }
    HANDLE hThread = CreateThread(nullptr, 0, ReturnThreadProc, pReturn, 0, nullptr);
    if (!hThread) {
        FreeLibrary(pReturn->hModule);
        delete pReturn;
        return;
    }
    CloseHandle(hThread);
}
