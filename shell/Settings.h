// Reading Config.ini values into sane numbers. Needs nothing from the platform.
#pragma once

constexpr int kDefaultIdleTime = 30000;
constexpr int kMinimumIdleTime = 1000;

// MinTime as read: zero or below means the setting is unusable and the
// default holds; below one second is raised to one second, so an untouched
// page can still be used and the history's shorter timer stays positive.
int IdleTimeFromSetting(int nMinTime);
