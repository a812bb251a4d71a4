// One page of the day's list, as printed for an evacuation and exported as
// a picture: a header (site folder, day, printed at, page n of m, counts),
// then the sign-ins in time order, each with its time, kiosk and picture.
// Draws on any device context: a printer's, a bitmap's.
#pragma once

#include <windows.h>

#include <string>

#include "desk/DeskDay.h"
#include "desk/DeskLayout.h"

struct DeskPageInfo {
    std::wstring share; // the site folder, as Config.ini names it
    std::wstring printedAt;
};

// "2024-03-07 14:05" of the local clock now.
std::wstring LocalTimeStamp();
// "Entrance-A 3, Entrance-B 2; 5 in all"
std::wstring DeskCountsText(const CDeskDayList& list);

// Page pageIndex (from 0) of the list laid out by page; white background.
void DrawDeskPage(HDC hdc, const DeskPageLayout& page, const DeskPageInfo& info, const CDeskDayList& list,
                  int pageIndex);
// The caption under a record's picture, in the window and on paper.
std::wstring DeskCaption(const DeskRecord& record);
// A cell whose record does not decode: a frame and the file's name in it.
void DrawBlankCell(HDC hdc, const LayoutRect& rc, const std::wstring& name, int penWidth);
// A thin grey frame around a cell's picture, so a record's white edge does not melt into the page.
void DrawFrame(HDC hdc, const LayoutRect& rc, int penWidth);
