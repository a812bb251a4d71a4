// What Velmo.exe says to the one who started it when it is not a kiosk run:
// /stop's outcome, or why this account may not run the kiosk.
#pragma once

#include <string>

// On the pipe or console it was started from (an installer, a script, a
// command prompt), otherwise in a message box.
void TellOperator(const std::wstring& text, bool bProblem);
