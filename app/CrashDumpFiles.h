// Names of the crash dumps in Crash\ and which of them make way for a new one.
#pragma once

#include "framework/LogFormat.h"

#include <string>
#include <vector>

// Only the newest dumps are kept: a fault that repeats must not fill the disk.
constexpr size_t kCrashDumpsKept = 5;

// "Velmo-20240307-090503-1234.dmp": sorts by time, unique per process.
std::wstring CrashDumpName(const LogTime& t, unsigned long pid);

// The dumps (of the names found in the folder) to delete so that, with the
// one about to be written, nKeep remain. Other files are never touched.
std::vector<std::wstring> CrashDumpsToRemove(std::vector<std::wstring> names, size_t nKeep = kCrashDumpsKept);
