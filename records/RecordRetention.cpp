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

namespace {

RecordTime LocalTimeOf(const FILETIME& ft) {
    FILETIME ftLocal;
    SYSTEMTIME st{};
    ::FileTimeToLocalFileTime(&ft, &ftLocal);
    ::FileTimeToSystemTime(&ftLocal, &st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

} // namespace

CRecordRetention::CRecordRetention(std::wstring strLocal, int nKeepDays, bool bShareWanted, CShareCopier* pCopier,
                                   HANDLE hWake)
    : m_strLocal(std::move(strLocal)), m_nKeepDays(nKeepDays), m_bShareWanted(bShareWanted), m_pCopier(pCopier),
      m_hWake(hWake) {}

bool CRecordRetention::Run() {
    std::vector<LocalRecord> local = ListRecords(m_strLocal);
    std::sort(local.begin(), local.end(),
              [](const LocalRecord& a, const LocalRecord& b) { return RecordNameLess(a.file.name, b.file.name); });
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    const RecordTime now{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    int nKept = 0;
    for (const LocalRecord& f : local) {
        const std::optional<RecordTime> named = RecordTimeFromName(f.file.name);
        const RecordTime signedIn = named ? *named : LocalTimeOf(f.ftWrite);
        if (!IsPastRetention(signedIn, now, m_nKeepDays))
            continue;
        if (m_bShareWanted && !(m_pCopier && m_pCopier->IsKnownCopied(f.file.name))) {
            ++nKept;
            continue;
        }
        // read back first: a file of the same name and size may be another kiosk's
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
    m_bKeptUncopied = nKept > 0;
    if (nKept > 0)
        LogEvent(L"Retention: kept %d records older than %d days until they are on the share", nKept, m_nKeepDays);
    return true;
}
