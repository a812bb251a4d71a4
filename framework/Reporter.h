// One road for errors. Failures come back as HRESULTs, BOOLs and results, as
// the system's own conventions say, one convention per layer: the camera
// (capture/) returns the HRESULT of the step that failed and names the step
// in a CameraFault; file and GDI code (records/, framework/) returns a BOOL or
// bool and logs the Win32 error; the pad's brush reader and portable logic
// return an enum or an empty optional. Low layers log and never show UI. Only
// the page and the launcher show text, a text of the string table, through
// ReportToVisitor.
#pragma once

#include <windows.h>

#include <string>

// Logs the text of string nIdText, then shows it in a modal box owned by
// hOwner; pszInsert takes the place of "%ws" in the text. A caption of 0 is
// the system's own ("Error"). Returns the box's answer.
int ReportToVisitor(HWND hOwner, UINT nIdText, UINT uType = MB_OK, UINT nIdCaption = 0,
                    const wchar_t* pszInsert = nullptr);

// The text ReportToVisitor would show, for the log alone.
std::wstring VisitorText(UINT nIdText, const wchar_t* pszInsert = nullptr);

// Answers every box over hOwner (ReportToVisitor's, or a dialog of its own)
// with OK, as a visitor would: for a box nobody is left to answer. The boxes
// close once this thread's messages run again.
void CloseBoxesOver(HWND hOwner);

// A text of the program's string table; empty when there is none.
std::wstring LoadResourceString(UINT nId);
