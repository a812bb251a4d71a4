// Velmo.exe /stop: asks the running kiosk to end cleanly (its page closes, the
// record keeper finishes, the log says so), even a locked one, and waits for
// it. Writes nothing into the program folder.
#pragma once

#include <string>
#include <vector>

// Looks for a kiosk bound to each account in turn. One of the StartExitCode
// values; the outcome is also told to the operator.
int StopRunningKiosk(const std::vector<std::wstring>& accountSids);
