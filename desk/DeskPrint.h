// Printing the day for an evacuation: the standard print dialog, then the
// pages of the day's list, as the export draws them.
#pragma once

#include <windows.h>

#include <string>

#include "desk/DeskDay.h"

void PrintDay(HWND hOwner, const std::wstring& share, const CDeskDayList& list);
