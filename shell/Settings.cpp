#include "Settings.h"

int IdleTimeFromSetting(int nMinTime) {
    if (nMinTime <= 0)
        return kDefaultIdleTime;
    return nMinTime < kMinimumIdleTime ? kMinimumIdleTime : nMinTime;
}
