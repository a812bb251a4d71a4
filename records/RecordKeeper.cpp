#include "records/RecordKeeper.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "framework/Handle.h"
#include "framework/Log.h"
#include "records/HistoryLock.h"
#include "records/RecordName.h"
#include "records/RecordRetention.h"
#include "records/ShareCopier.h"
#include "records/ShareRules.h"

namespace {

constexpr DWORD kRetentionPeriodMs = 60 * 60 * 1000;
// while the history is open, retention tries again this much later
constexpr DWORD kRetentionBusyRetryMs = 60 * 1000;
// a copy to a slow share may still be running at exit; the next start finds it
constexpr DWORD kStopWaitMs = 10000;

// The worker thread: a copy pass after every save and after a failure's
// pause, and a retention run every hour.
class CRecordKeeper {
public:
    bool Start(const ShareSettings& settings);
    void Wake() { ::SetEvent(m_hWake.Get()); }
    // False when the worker did not end in time and must outlive the call.
    bool Stop();

private:
    static DWORD WINAPI ThreadProc(void* pParam);
    void Run();
    bool Stopping() const { return ::WaitForSingleObject(m_hStop.Get(), 0) == WAIT_OBJECT_0; }

    CHandle m_hThread, m_hStop, m_hWake;
    std::unique_ptr<CShareCopier> m_pCopier;        // null: no usable share
    std::unique_ptr<CRecordRetention> m_pRetention; // null: records are kept forever
};

bool CRecordKeeper::Start(const ShareSettings& settings) {
    const std::wstring local = ProgramFolder() + kRecordFolder;
    if (!settings.bShareWanted && settings.nKeepDays == 0)
        return false;
    m_hStop = CHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hWake = CHandle(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_hStop || !m_hWake)
        return false;
    if (!settings.kioskFolder.empty())
        m_pCopier = std::make_unique<CShareCopier>(local, settings.kioskFolder, m_hStop.Get());
    if (settings.nKeepDays > 0)
        m_pRetention = std::make_unique<CRecordRetention>(local, settings.nKeepDays, settings.bShareWanted,
                                                          m_pCopier.get(), m_hWake.Get());
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
    bool bRetentionDue = m_pRetention != nullptr;
    DWORD dwLastRetention = ::GetTickCount();
    for (;;) {
        DWORD dwWait = INFINITE;
        if (m_pCopier) {
            if (m_pCopier->CopyPass()) {
                // what waited only for its copy can go now
                if (m_pRetention && m_pRetention->KeptUncopied() && m_pCopier->CopiedLastPass() > 0)
                    bRetentionDue = true;
            } else if (!Stopping()) {
                dwWait = RetryDelayMs(m_pCopier->CountFailedPass());
            }
        }
        if (m_pRetention) {
            const DWORD dwSince = ::GetTickCount() - dwLastRetention;
            if (bRetentionDue || dwSince >= kRetentionPeriodMs) {
                bRetentionDue = !m_pRetention->Run();
                if (!bRetentionDue)
                    dwLastRetention = ::GetTickCount();
            }
            const DWORD dwNext =
                bRetentionDue ? kRetentionBusyRetryMs : kRetentionPeriodMs - (::GetTickCount() - dwLastRetention);
            dwWait = std::min(dwWait, dwNext);
        }
        const HANDLE handles[] = {m_hStop.Get(), m_hWake.Get()};
        if (::WaitForMultipleObjects(2, handles, FALSE, dwWait) == WAIT_OBJECT_0)
            return;
    }
}

// Lives from start to exit; left alone when its worker is stuck on the network.
CRecordKeeper* g_pKeeper = nullptr;

} // namespace

void StartRecordKeeping(const ShareSettings& settings) {
    auto keeper = std::make_unique<CRecordKeeper>();
    if (keeper->Start(settings))
        g_pKeeper = keeper.release();
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
