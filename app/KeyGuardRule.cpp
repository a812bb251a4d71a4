#include "KeyGuardRule.h"

bool IsSwallowedKey(unsigned vk, bool bAltDown, bool bCtrlDown) {
    switch (vk) {
    case kVkLeftWindows:
    case kVkRightWindows:
        return true;
    case kVkTab:
        return bAltDown;
    case kVkEscape:
        return bAltDown || bCtrlDown;
    default:
        return false;
    }
}
