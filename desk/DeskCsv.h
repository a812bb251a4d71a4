// The day's export: the CSV's text and the names of the files written.
// Needs nothing from the platform; the caller encodes the text as UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "desk/DeskDay.h"

// One field: quoted when it holds a comma, a quote or a line break (quotes
// doubled). A field that a spreadsheet would run as a formula (= + - @ or a
// tab or carriage return first) gets an apostrophe in front: a folder name on
// the share is not trusted.
std::wstring CsvField(std::wstring_view text);
// "date,time,kiosk,file name" and one line per record in the given order,
// each ended by CR LF.
std::wstring DeskCsvText(const std::vector<DeskRecord>& records);
// "sign-ins-2024-03-07.csv" and "sign-ins-2024-03-07-N.png", N from 1.
std::wstring DeskCsvName(const DeskDate& day);
std::wstring DeskPageName(const DeskDate& day, int n);
