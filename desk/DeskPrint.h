// Printing the day for an evacuation: the standard print dialog, then the
// pages of the day's list, as the export draws them.
#pragma once

#include <windows.h>

#include <string>

#include "desk/DeskDay.h"
#include "desk/DeskJob.h"
#include "framework/Gdi.h"

// The print dialog: the chosen printer's DC, or none when cancelled or no
// printer is installed (the dialog says so itself).
CDC ChoosePrinter(HWND hOwner);
// Prints every page of the list on the printer.
DeskJobResult PrintDay(const CDC& printer, const std::wstring& share, const CDeskDayList& list);
