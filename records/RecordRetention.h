// Deleting the kiosk's records past [Records] KeepDays, on the record
// keeper's worker thread: with a share wanted, only once each is safe there,
// and never while the history shows records.
#pragma once

#include <windows.h>

#include <string>

#include "records/Retention.h"

class CShareCopier;

class CRecordRetention {
public:
    // strLocal: the record folder, absolute. pCopier: the share's copier, null
    // when there is none to copy to. hWake (borrowed) brings the worker round
    // to copy a record again.
    CRecordRetention(std::wstring strLocal, int nKeepDays, bool bShareWanted, CShareCopier* pCopier, HANDLE hWake);

    // False when the history was open and the run must come again. A run is
    // skipped (and logged) while the calendar clock is ahead of the time that
    // passed.
    bool Run();
    // Whether the last run kept old records only because they were not on the share yet.
    bool KeptUncopied() const { return m_bKeptUncopied; }

private:
    std::wstring m_strLocal;
    int m_nKeepDays;
    bool m_bShareWanted;
    CShareCopier* m_pCopier;
    HANDLE m_hWake;
    bool m_bKeptUncopied = false;
    CRetentionClock m_clock;
};
