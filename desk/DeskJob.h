// A long job of the desk's window (an export, a print) on a thread of its
// own, so the window goes on painting and following the share meanwhile.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

struct DeskJobResult {
    bool bDone;        // false: it failed, and the line says why
    std::wstring line; // what happened, in one line
};

// Runs job; then posts nMessage to hNotify with the result, owned by the
// message, in lParam (TakeDeskJobResult). False when no thread could start.
bool StartDeskJob(HWND hNotify, UINT nMessage, std::function<DeskJobResult()> job);
std::unique_ptr<DeskJobResult> TakeDeskJobResult(LPARAM lParam);
