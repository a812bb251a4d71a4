#include "history/PinEntry.h"

bool IsUsablePin(std::wstring_view pin) {
    if (pin.size() < kMinPinDigits || pin.size() > kMaxPinDigits)
        return false;
    for (wchar_t c : pin) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

CPinEntry::CPinEntry(std::wstring_view pin) {
    if (!IsUsablePin(pin))
        return;
    for (size_t i = 0; i < pin.size(); ++i)
        m_pin[i] = pin[i];
    m_nPinLength = pin.size();
}

void CPinEntry::AddDigit(int nDigit) {
    if (nDigit < 0 || nDigit > 9 || m_nLength == kMaxPinDigits || m_nTriesLeft == 0)
        return;
    m_entered[m_nLength++] = static_cast<wchar_t>(L'0' + nDigit);
}

void CPinEntry::Back() {
    if (m_nLength > 0)
        m_entered[--m_nLength] = 0;
}

void CPinEntry::Clear() {
    m_entered.fill(0);
    m_nLength = 0;
}

CPinEntry::Result CPinEntry::Submit() {
    if (m_nLength == 0 || m_nTriesLeft == 0)
        return Result::Ignored;
    // every place is compared, used or not, so the time taken tells nothing
    // of where the entry went wrong or how long the PIN is; an unused place
    // holds 0, which no digit is, so a shorter or longer entry differs too
    unsigned diff = 0;
    for (size_t i = 0; i < kMaxPinDigits; ++i)
        diff |= static_cast<unsigned>(m_entered[i] ^ m_pin[i]);
    Clear();
    if (diff == 0 && m_nPinLength > 0)
        return Result::Opened;
    return --m_nTriesLeft == 0 ? Result::NoTriesLeft : Result::Wrong;
}
