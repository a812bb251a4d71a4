// The kiosk account of this program folder, as the installer recorded it
// (HKLM\Software\Velmo: InstallLocation, KioskAccount, KioskSid), beside this
// process's own account.
#pragma once

#include "KioskAccountRule.h"

#include <string>
#include <vector>

class CKioskAccount {
public:
    // Reads the installer's record and this process's token.
    CKioskAccount();

    // True when this process may run the kiosk; otherwise it has told the
    // operator why, and touches nothing in the program folder.
    bool MayRunKiosk() const;
    // The account the one-kiosk objects are bound to.
    const std::wstring& BoundarySid() const { return BoundaryAccount(m_facts); }
    // Where /stop looks, from any folder (the installer runs a copy): the
    // installed kiosk account's kiosk, then this account's own.
    std::vector<std::wstring> StopAccounts() const;

private:
    AccountFacts m_facts;
    std::wstring m_installedSid;
    std::wstring m_kioskName, m_ownName;
};
