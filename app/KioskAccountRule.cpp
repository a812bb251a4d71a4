#include "KioskAccountRule.h"

#include <cwctype>

namespace {

// SIDs are compared as written, but "s-1-5-..." typed by hand is the same SID.
bool SameSid(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i]))
            return false;
    return true;
}

} // namespace

AccountVerdict JudgeAccount(const AccountFacts& facts) {
    if (facts.kioskSid.empty())
        return AccountVerdict::Kiosk;
    if (!SameSid(facts.kioskSid, facts.ownSid))
        return AccountVerdict::OtherAccount;
    return facts.bElevated ? AccountVerdict::Elevated : AccountVerdict::Kiosk;
}

const std::wstring& BoundaryAccount(const AccountFacts& facts) {
    return facts.kioskSid.empty() ? facts.ownSid : facts.kioskSid;
}
