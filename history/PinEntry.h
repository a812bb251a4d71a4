// The PIN that keeps the kiosk's history private: what a usable one is, and
// the digits a visitor has typed on the keypad with the tries left. Needs
// nothing from the platform.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

constexpr size_t kMinPinDigits = 4;
constexpr size_t kMaxPinDigits = 12;
constexpr int kPinTries = 3;

// kMinPinDigits to kMaxPinDigits of the ASCII digits 0-9.
bool IsUsablePin(std::wstring_view pin);

class CPinEntry {
public:
    // An unusable pin (an empty one, say) is matched by no entry.
    explicit CPinEntry(std::wstring_view pin);

    enum class Result { Ignored, Opened, Wrong, NoTriesLeft };

    // A full entry takes no more digits, whatever the PIN's own length,
    // and nor does one with no tries left.
    void AddDigit(int nDigit);
    void Back();
    void Clear();
    // Compares and clears the entry. An empty entry is no try.
    Result Submit();

    // How many dots the keypad shows.
    size_t Length() const { return m_nLength; }
    int TriesLeft() const { return m_nTriesLeft; }

private:
    using Digits = std::array<wchar_t, kMaxPinDigits>; // unused places hold 0
    Digits m_pin{};
    size_t m_nPinLength = 0;
    Digits m_entered{};
    size_t m_nLength = 0;
    int m_nTriesLeft = kPinTries;
};
