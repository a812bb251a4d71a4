#include "records/HistoryVisit.h"

#include <windows.h>

#include "records/HistoryLock.h"

namespace {

SRWLOCK g_historyLock = SRWLOCK_INIT;
int g_nHistoryVisits = 0;

} // namespace

Deletion DeleteUnlessHistoryOpen(const std::wstring& path) {
    ::AcquireSRWLockExclusive(&g_historyLock);
    const bool bHistoryOpen = g_nHistoryVisits > 0;
    const BOOL bDeleted = !bHistoryOpen && ::DeleteFileW(path.c_str());
    const DWORD dwError = ::GetLastError();
    ::ReleaseSRWLockExclusive(&g_historyLock);
    ::SetLastError(dwError);
    if (bHistoryOpen)
        return Deletion::HistoryOpen;
    return bDeleted ? Deletion::Done : Deletion::Failed;
}

CHistoryVisit::CHistoryVisit() {
    ::AcquireSRWLockExclusive(&g_historyLock);
    ++g_nHistoryVisits;
    ::ReleaseSRWLockExclusive(&g_historyLock);
}

CHistoryVisit::~CHistoryVisit() {
    ::AcquireSRWLockExclusive(&g_historyLock);
    --g_nHistoryVisits;
    ::ReleaseSRWLockExclusive(&g_historyLock);
    // a retention run that waited for the history goes on now
    WakeRecordKeeper();
}
