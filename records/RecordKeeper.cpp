#include "records/RecordKeeper.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <memory>

#include "framework/Handle.h"
#include "framework/Log.h"
#include "records/HistoryLock.h"
#include "records/RecordName.h"
#include "records/RecordRetention.h"
#include "records/ShareCopier.h"
#include "records/ShareRules.h"

namespace {

constexpr ULONGLONG kRetentionPeriodMs = 60 * 60 * 1000;
// while the history is open, retention tries again this much later
constexpr DWORD kRetentionBusyRetryMs = 60 * 1000;
// after a pass that failed for want of memory, say
constexpr DWORD kFaultRetryMs = 60 * 1000;
// a copy to a slow share may still be running at exit; the next start finds it
constexpr DWORD kStopWaitMs = 10000;

// The worker thread: a copy pass after every save and after a failure's
// pause, and a retention run every hour.
class CRecordKeeper {
public:
    // False, with the last error, when the worker could not be started.
    bool Start(const ShareSettings& settings);
    void Wake() { ::SetEvent(m_hWake.Get()); }
    // False when the worker did not end in time and must outlive the call.
    bool Stop();

private:
    static DWORD WINAPI ThreadProc(void* pParam);
    void Run();
    // One round of copying and retention; how long to wait for the next.
    DWORD Round();
    bool Stopping() const { return ::WaitForSingleObject(m_hStop.Get(), 0) == WAIT_OBJECT_0; }

    CHandle m_hThread, m_hStop, m_hWake;
    std::unique_ptr<CShareCopier> m_pCopier;        // null: no usable share
    std::unique_ptr<CRecordRetention> m_pRetention; // null: records are kept forever
    bool m_bRetentionDue = false;
    ULONGLONG m_lastRetention = 0;
};

bool CRecordKeeper::Start(const ShareSettings& settings) {
    const std::wstring local = ProgramFolder() + kRecordFolder;
    m_hStop = CHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hWake = CHandle(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_hStop || !m_hWake)
        return false;
    if (!settings.kioskFolder.empty())
        m_pCopier = std::make_unique<CShareCopier>(local, settings.kioskFolder, settings.computerName, m_hStop.Get());
    if (settings.nKeepDays > 0)
        m_pRetention = std::make_unique<CRecordRetention>(local, settings.nKeepDays, settings.bShareWanted,
                                                          m_pCopier.get(), m_hWake.Get());
    m_bRetentionDue = m_pRetention != nullptr;
    m_lastRetention = ::GetTickCount64();
    m_hThread = CHandle(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    return static_cast<bool>(m_hThread);
}

bool CRecordKeeper::Stop() {
    ::SetEvent(m_hStop.Get());
    return ::WaitForSingleObject(m_hThread.Get(), kStopWaitMs) == WAIT_OBJECT_0;
}

DWORD WINAPI CRecordKeeper::ThreadProc(void* pParam) {
    static_cast<CRecordKeeper*>(pParam)->Run();
    return 0;
}

void CRecordKeeper::Run() {
    for (;;) {
        DWORD dwWait = kFaultRetryMs;
        // nothing may leave the thread: a round that failed comes again
        try {
            dwWait = Round();
        } catch (const std::exception& e) {
            LogEvent(L"Records: copying or retention failed (%hs); tried again in %lu s", e.what(),
                     kFaultRetryMs / 1000);
        } catch (...) {
            LogEvent(L"Records: copying or retention failed; tried again in %lu s", kFaultRetryMs / 1000);
        }
        const HANDLE handles[] = {m_hStop.Get(), m_hWake.Get()};
        if (::WaitForMultipleObjects(2, handles, FALSE, dwWait) == WAIT_OBJECT_0)
            return;
    }
}

DWORD CRecordKeeper::Round() {
    DWORD dwWait = INFINITE;
    if (m_pCopier) {
        switch (m_pCopier->CopyPass()) {
        case CShareCopier::Pass::Done:
            // what waited only for its copy can go now
            if (m_pRetention && m_pRetention->KeptUncopied() && m_pCopier->CopiedSinceDone() > 0)
                m_bRetentionDue = true;
            break;
        case CShareCopier::Pass::MoreToDo:
            dwWait = 0;
            break;
        case CShareCopier::Pass::Failed:
            if (!Stopping())
                dwWait = RetryDelayMs(m_pCopier->CountFailedPass());
            break;
        }
    }
    if (!m_pRetention)
        return dwWait;
    if (m_bRetentionDue || ::GetTickCount64() - m_lastRetention >= kRetentionPeriodMs) {
        m_bRetentionDue = !m_pRetention->Run();
        if (!m_bRetentionDue)
            m_lastRetention = ::GetTickCount64();
    }
    // one reading of the clock: the wait follows from it, whatever the next reading says
    const ULONGLONG since = ::GetTickCount64() - m_lastRetention;
    const DWORD dwNext = m_bRetentionDue               ? kRetentionBusyRetryMs
                         : since >= kRetentionPeriodMs ? 0
                                                       : static_cast<DWORD>(kRetentionPeriodMs - since);
    return std::min(dwWait, dwNext);
}

// Lives from start to exit; left alone when its worker is stuck on the network.
CRecordKeeper* g_pKeeper = nullptr;

} // namespace

void StartRecordKeeping(const ShareSettings& settings) {
    // without a share and a retention period there is nothing to do
    if (!settings.bShareWanted && settings.nKeepDays == 0)
        return;
    try {
        auto keeper = std::make_unique<CRecordKeeper>();
        if (keeper->Start(settings)) {
            g_pKeeper = keeper.release();
            return;
        }
        LogEvent(L"Records: the record keeper could not start (%ls); records are saved but neither copied nor "
                 L"deleted until the kiosk restarts",
                 DescribeError(::GetLastError()).c_str());
    } catch (const std::exception& e) {
        LogEvent(L"Records: the record keeper could not start (%hs); records are saved but neither copied nor "
                 L"deleted until the kiosk restarts",
                 e.what());
    }
}

void RecordSaved() {
    WakeRecordKeeper();
}

void WakeRecordKeeper() {
    if (g_pKeeper)
        g_pKeeper->Wake();
}

void StopRecordKeeping() {
    if (!g_pKeeper)
        return;
    // a worker blocked on an unreachable server ends with the process
    if (g_pKeeper->Stop())
        delete g_pKeeper;
    g_pKeeper = nullptr;
}
