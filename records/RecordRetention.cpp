#include "records/RecordRetention.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "framework/Log.h"
#include "records/HistoryLock.h"
#include "records/RecordName.h"
#include "records/Retention.h"
#include "records/ShareCopier.h"
#include "records/SignInRecord.h"

namespace {

// The calendar clock in milliseconds (UTC, so daylight saving moves nothing).
int64_t WallClockMs() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    return static_cast<int64_t>((uint64_t{ft.dwHighDateTime} << 32 | ft.dwLowDateTime) / 10000);
}

} // namespace

CRecordRetention::CRecordRetention(std::wstring strLocal, int nKeepDays, bool bShareWanted, CShareCopier* pCopier,
                                   HANDLE hWake)
    : m_strLocal(std::move(strLocal)), m_nKeepDays(nKeepDays), m_bShareWanted(bShareWanted), m_pCopier(pCopier),
      m_hWake(hWake) {}

bool CRecordRetention::Run() {
    // the tick count counts time asleep too, and nobody sets it
    const int64_t wallMs = WallClockMs();
    const int64_t steadyMs = static_cast<int64_t>(::GetTickCount64());
    if (!m_clock.MayRun(wallMs, steadyMs)) {
        m_bKeptUncopied = false;
        LogEvent(L"Retention: skipped: the clock moved %lld hours further than the time that passed since the last "
                 L"run; no record is deleted until the clock is right again or the kiosk restarts",
                 static_cast<long long>(m_clock.AheadMs(wallMs, steadyMs) / 3600000));
        return true;
    }
    std::vector<LocalRecord> local = ListRecords(m_strLocal);
    std::sort(local.begin(), local.end(),
              [](const LocalRecord& a, const LocalRecord& b) { return RecordNameLess(a.file.name, b.file.name); });
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    const RecordTime now{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    int nKept = 0;
    for (const LocalRecord& f : local) {
        const std::optional<RecordTime> named = RecordTimeFromName(f.file.name);
        const RecordTime signedIn = named ? *named : LocalRecordTime(f.ftWrite);
        if (!IsPastRetention(signedIn, now, m_nKeepDays))
            continue;
        if (m_bShareWanted && !(m_pCopier && m_pCopier->IsKnownCopied(f.file.name))) {
            ++nKept;
            continue;
        }
        // read back once more before the only other copy goes: the share's may
        // have been changed or removed since it was found
        if (m_bShareWanted && !m_pCopier->IsOnShare(f.file.name)) {
            m_pCopier->CopyAgain(f.file.name);
            ::SetEvent(m_hWake); // so it is copied after all
            ++nKept;
            continue;
        }
        const std::wstring path = m_strLocal + L"\\" + f.file.name;
        const Deletion deletion = DeleteUnlessHistoryOpen(path);
        const DWORD dwError = ::GetLastError();
        if (deletion == Deletion::HistoryOpen) {
            LogEvent(L"Retention: waits until the history is closed");
            return false;
        }
        if (deletion == Deletion::Done)
            LogEvent(L"Retention: deleted %ls\\%ls, signed in %d-%02d-%02d, more than %d days ago", kRecordFolder,
                     f.file.name.c_str(), signedIn.year, signedIn.month, signedIn.day, m_nKeepDays);
        else
            LogEvent(L"Retention: %ls\\%ls could not be deleted (%ls)", kRecordFolder, f.file.name.c_str(),
                     DescribeError(dwError).c_str());
    }
    m_clock.Ran(wallMs, steadyMs);
    m_bKeptUncopied = nKept > 0;
    if (nKept > 0)
        LogEvent(L"Retention: kept %d records older than %d days until they are on the share", nKept, m_nKeepDays);
    return true;
}
