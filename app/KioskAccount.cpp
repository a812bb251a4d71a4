#include "KioskAccount.h"

#include "OperatorMessage.h"
#include "framework/Handle.h"
#include "framework/Log.h"

#include <windows.h>

#include <sddl.h>

namespace {

constexpr const wchar_t* kInstallKey = L"Software\\Velmo";

std::wstring InstallValue(const wchar_t* pszValue) {
    wchar_t szData[512] = L"";
    DWORD cb = sizeof(szData);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kInstallKey, pszValue, RRF_RT_REG_SZ, nullptr, szData, &cb) != ERROR_SUCCESS)
        return {};
    return szData;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

bool IsInstalledFolder(const std::wstring& installed) {
    const std::wstring a = WithoutTrailingBackslash(installed), b = WithoutTrailingBackslash(ProgramFolder());
    return !a.empty() && ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring SidText(PSID pSid) {
    wchar_t* pszSid = nullptr;
    if (!::ConvertSidToStringSidW(pSid, &pszSid))
        return {};
    std::wstring text = pszSid;
    ::LocalFree(pszSid);
    return text;
}

std::wstring AccountName(PSID pSid) {
    wchar_t szName[256] = L"", szDomain[256] = L"";
    DWORD cchName = ARRAYSIZE(szName), cchDomain = ARRAYSIZE(szDomain);
    SID_NAME_USE use;
    if (!::LookupAccountSidW(nullptr, pSid, szName, &cchName, szDomain, &cchDomain, &use))
        return SidText(pSid);
    return szDomain[0] ? std::wstring(szDomain) + L"\\" + szName : szName;
}

} // namespace

CKioskAccount::CKioskAccount() {
    m_installedSid = InstallValue(L"KioskSid");
    if (IsInstalledFolder(InstallValue(L"InstallLocation"))) {
        m_facts.kioskSid = m_installedSid;
        m_kioskName = InstallValue(L"KioskAccount");
    }
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return;
    CHandle token(hToken);
    alignas(TOKEN_USER) BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    DWORD cb = 0;
    if (::GetTokenInformation(hToken, TokenUser, user, sizeof(user), &cb)) {
        m_facts.ownSid = SidText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
        m_ownName = AccountName(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
    }
    TOKEN_ELEVATION elevation{};
    // an unreadable token counts as elevated: refusing is the safe side
    m_facts.bElevated = !::GetTokenInformation(hToken, TokenElevation, &elevation, sizeof(elevation), &cb) ||
                        elevation.TokenIsElevated != 0;
}

std::vector<std::wstring> CKioskAccount::StopAccounts() const {
    std::vector<std::wstring> sids;
    if (!m_installedSid.empty())
        sids.push_back(m_installedSid);
    if (m_facts.ownSid != m_installedSid)
        sids.push_back(m_facts.ownSid);
    return sids;
}

bool CKioskAccount::MayRunKiosk() const {
    switch (JudgeAccount(m_facts)) {
    case AccountVerdict::Kiosk:
        return true;
    case AccountVerdict::Elevated:
        TellOperator(L"Velmo does not run with administrator rights. Start it as the kiosk account " + m_kioskName +
                         L" without \"Run as administrator\".",
                     true);
        return false;
    case AccountVerdict::OtherAccount:
        TellOperator(L"Velmo runs here only as the kiosk account " + m_kioskName +
                         L", named when it was installed; this is " + m_ownName +
                         L". To end a running kiosk, an administrator runs Velmo.exe /stop.",
                     true);
        return false;
    }
    return false;
}
