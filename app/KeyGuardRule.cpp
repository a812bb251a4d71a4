#include "KeyGuardRule.h"

bool CKeyGuardRule::Swallows(unsigned vk, bool bUp, bool bAltFlag) {
    if (vk >= m_held.size())
        return false;
    const bool bSwallowedDown = m_swallowed[vk];
    m_held[vk] = !bUp;
    if (bUp) {
        m_swallowed[vk] = false;
        return bSwallowedDown;
    }
    const bool bAlt = bAltFlag || Held(kVkMenu) || Held(kVkLeftMenu) || Held(kVkRightMenu);
    const bool bCtrl = Held(kVkControl) || Held(kVkLeftControl) || Held(kVkRightControl);
    bool bSwallow = false;
    switch (vk) {
    case kVkLeftWindows:
    case kVkRightWindows:
        bSwallow = true;
        break;
    case kVkTab:
        bSwallow = bAlt;
        break;
    case kVkEscape:
        bSwallow = bAlt || bCtrl;
        break;
    }
    // a key repeats while held: once held back, it stays so until released
    m_swallowed[vk] = bSwallow || bSwallowedDown;
    return m_swallowed[vk];
}
