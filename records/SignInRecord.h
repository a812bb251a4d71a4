// Writing a sign-in record so that it is never lost, truncated or replaced.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "records/RecordName.h"

// Writes the file's bytes into the record folder (made when missing) under
// the first free record name for the time: first into a temporary file,
// flushed to the disk, then renamed, so a crash or power cut never leaves a
// partial file under a record name and an existing record is never replaced.
// The name written, or empty when nothing could be written (read-only folder,
// full disk); nothing else is lost and the next save tries again.
std::wstring WriteSignInRecord(const std::vector<uint8_t>& file, const RecordTime& t);
