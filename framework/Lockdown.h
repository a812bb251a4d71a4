// What the windows of a locked-down kiosk refuse, whoever asks (a key, the
// system menu, the taskbar, Task View): a system command that would close,
// move, size, minimise or maximise them, or open a menu or the Start menu.
#pragma once

#include <windows.h>

inline bool IsRefusedWhenLocked(UINT nSysCommand) {
    switch (nSysCommand & 0xFFF0) {
    case SC_CLOSE:
    case SC_DEFAULT: // a double-click on the system menu's icon: Close
    case SC_MOVE:
    case SC_SIZE:
    case SC_MINIMIZE:
    case SC_MAXIMIZE:
    case SC_KEYMENU:
    case SC_MOUSEMENU:
    case SC_TASKLIST:
    case SC_NEXTWINDOW:
    case SC_PREVWINDOW:
        return true;
    default:
        return false;
    }
}
