// Names of the crash dumps in Crash\ and which of them make way for newer ones.
#pragma once

#include "framework/LogFormat.h"

#include <array>
#include <string>
#include <vector>

// Only the newest dumps are kept: a fault that repeats must not fill the disk.
constexpr size_t kCrashDumpsKept = 5;

// "Velmo-20240307-090503Z-1234.dmp" from a UTC time: sorts by time whatever
// the local clock's zone or daylight saving does, unique per process. In a
// fixed buffer: the crash path allocates nothing.
using CrashDumpNameText = std::array<wchar_t, 48>;
CrashDumpNameText CrashDumpName(const LogTime& utc, unsigned long pid);

// The dumps (of the names found in the folder) to delete so that the nKeep
// newest remain. Other files are never touched.
std::vector<std::wstring> CrashDumpsToRemove(std::vector<std::wstring> names, size_t nKeep = kCrashDumpsKept);
