// Who may run the kiosk: a Velmo started for an administrator, or under an
// account other than the one named at install, must not write into folders
// the kiosk account controls (a junction there would aim its writes anywhere).
#pragma once

#include <string>

struct AccountFacts {
    // The kiosk account named at install for this program folder, as a SID
    // string; empty when none was named (any account may run it, as before).
    std::wstring kioskSid;
    // This process's user and whether its token is elevated.
    std::wstring ownSid;
    bool bElevated = false;
};

enum class AccountVerdict { Kiosk, Elevated, OtherAccount };

AccountVerdict JudgeAccount(const AccountFacts& facts);

// The account the one-kiosk check is bound to: the kiosk account, or without
// one this process's own, so that no other account can take its name first.
const std::wstring& BoundaryAccount(const AccountFacts& facts);
