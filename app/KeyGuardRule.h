// Which key presses a locked-down kiosk keeps from the system: those that
// open the Start menu or switch away from the kiosk. Windows acts on them
// before any window sees them, so only a low-level hook can hold them back.
#pragma once

// The virtual-key codes of the system's keyboard that the rule names.
constexpr unsigned kVkTab = 0x09;
constexpr unsigned kVkEscape = 0x1B;
constexpr unsigned kVkLeftWindows = 0x5B;
constexpr unsigned kVkRightWindows = 0x5C;

// The Windows keys (and with them every Windows-key shortcut), Alt+Tab,
// Alt+Esc and Ctrl+Esc (Ctrl+Shift+Esc too); the press and the release alike.
bool IsSwallowedKey(unsigned vk, bool bAltDown, bool bCtrlDown);
