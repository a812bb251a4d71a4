// The front desk's one setting: [Share] Folder of the Config.ini beside the
// program, the same key and value the kiosks use.
#pragma once

#include <string>

// The share folder, or empty with the reason in one line.
std::wstring ReadDeskShareFolder(std::wstring& reason);
