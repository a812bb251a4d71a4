// Which key presses a locked-down kiosk keeps from the system: those that
// open the Start menu or switch away from the kiosk. Windows acts on them
// before any window sees them, so only a low-level hook can hold them back.
#pragma once

#include <bitset>

// The virtual-key codes of the system's keyboard that the rule names.
constexpr unsigned kVkTab = 0x09;
constexpr unsigned kVkControl = 0x11;
constexpr unsigned kVkMenu = 0x12; // Alt
constexpr unsigned kVkEscape = 0x1B;
constexpr unsigned kVkLeftWindows = 0x5B;
constexpr unsigned kVkRightWindows = 0x5C;
constexpr unsigned kVkLeftControl = 0xA2;
constexpr unsigned kVkRightControl = 0xA3;
constexpr unsigned kVkLeftMenu = 0xA4;
constexpr unsigned kVkRightMenu = 0xA5;

// Holds back the Windows keys (and with them every Windows-key shortcut),
// Alt+Tab, Alt+Esc and Ctrl+Esc (Ctrl+Shift+Esc too), and the release of each
// press it held back. Follows Alt and Ctrl from the events themselves: the
// system's key state may lag behind the event a hook is given.
class CKeyGuardRule {
public:
    // One key event in the order the hook sees them; bAltFlag: the event
    // itself says Alt is down. True when the system must not get it.
    bool Swallows(unsigned vk, bool bUp, bool bAltFlag);

private:
    bool Held(unsigned vk) const { return vk < m_held.size() && m_held[vk]; }

    std::bitset<256> m_held;      // keys down, as the events said
    std::bitset<256> m_swallowed; // presses held back, whose releases follow them
};
