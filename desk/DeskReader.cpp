#include "desk/DeskReader.h"

#include <algorithm>
#include <deque>
#include <utility>
#include <exception>

#include "desk/RecordPicture.h"
#include "desk/ShareDay.h"
#include "framework/Handle.h"
#include "framework/Log.h"
#include "records/ShareSettings.h"

struct CDeskReader::State {
    // set before the worker starts, then only read
    HWND hNotify = nullptr;
    UINT nMessage = 0;
    std::wstring share;
    CHandle hStop{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    CHandle hWake{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};

    SRWLOCK lock = SRWLOCK_INIT;
    // guarded by lock
    DeskDate day{};
    bool bListNow = true;
    std::deque<DeskThumbJob> jobs;
    std::optional<DeskListing> listing;
    std::vector<DeskThumbResult> thumbs;
    bool bPosted = false;

    class CLock {
    public:
        explicit CLock(State& s) : m_s(s) { ::AcquireSRWLockExclusive(&m_s.lock); }
        ~CLock() { ::ReleaseSRWLockExclusive(&m_s.lock); }
        CLock(const CLock&) = delete;
        CLock& operator=(const CLock&) = delete;

    private:
        State& m_s;
    };

    bool Stopping() const { return ::WaitForSingleObject(hStop.Get(), 0) == WAIT_OBJECT_0; }
    // Under the lock: tells the window once until it takes what waits.
    void Notify() {
        if (!bPosted && ::PostMessageW(hNotify, nMessage, 0, 0))
            bPosted = true;
    }
    void Run();
};

namespace {

DWORD WINAPI ReaderThread(void* pParam) {
    // the worker's own reference: the state lives until both sides let go
    std::unique_ptr<std::shared_ptr<CDeskReader::State>> state(
        static_cast<std::shared_ptr<CDeskReader::State>*>(pParam));
    try {
        (*state)->Run();
    } catch (const std::exception&) {
        LogEvent(L"Desk: the share reader stopped: out of memory");
    }
    return 0;
}

DeskThumb Scale(const DeskThumbJob& job) {
    DeskThumb thumb;
    CRecordPicture picture;
    if (!picture.Load(job.path)) {
        // once: its empty cell is kept until the file changes
        LogEvent(L"Desk: %ls is not a picture the desk can read", job.path.c_str());
        return thumb;
    }
    SIZE size{};
    thumb.pixels = picture.Scaled(job.stamp.width, job.stamp.height, size);
    thumb.width = size.cx;
    thumb.height = size.cy;
    return thumb;
}

// Change notices for the share and for each kiosk folder in it: the whole
// tree where the server watches trees, and each folder alone where it
// watches one level only (Samba set up so, and Wine).
class CShareWatch {
public:
    CShareWatch() = default;
    ~CShareWatch() { Clear(); }
    CShareWatch(const CShareWatch&) = delete;
    CShareWatch& operator=(const CShareWatch&) = delete;

    // Watches the share and these kiosk folders, unless it does already;
    // false when the share gives no notices at all.
    bool Watch(const std::wstring& share, const std::vector<DeskKioskCount>& kiosks) {
        std::vector<std::wstring> names;
        for (const DeskKioskCount& k : kiosks)
            names.push_back(k.kiosk);
        if (!m_handles.empty() && names == m_kiosks)
            return true;
        Clear();
        constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                  FILE_NOTIFY_CHANGE_LAST_WRITE;
        Add(::FindFirstChangeNotificationW(share.c_str(), TRUE, kFilter));
        for (const std::wstring& kiosk : names) {
            if (m_handles.size() >= kMaxWatches)
                break; // the rest are found by the rescan
            Add(::FindFirstChangeNotificationW(KioskShareFolder(share, kiosk).c_str(), FALSE, kFilter));
        }
        m_kiosks = std::move(names);
        return !m_handles.empty();
    }
    void Clear() {
        for (HANDLE h : m_handles)
            ::FindCloseChangeNotification(h);
        m_handles.clear();
        m_kiosks.clear();
    }
    DWORD Count() const { return static_cast<DWORD>(m_handles.size()); }
    const HANDLE* Handles() const { return m_handles.data(); }
    // After notice i: false when the watch broke and must be made anew.
    bool Rearm(DWORD i) { return i < m_handles.size() && ::FindNextChangeNotification(m_handles[i]); }

    // with the stop and wake events, all that one wait can take
    static constexpr size_t kMaxWatches = MAXIMUM_WAIT_OBJECTS - 2;

private:
    void Add(HANDLE h) {
        if (h != INVALID_HANDLE_VALUE)
            m_handles.push_back(h);
    }
    std::vector<std::wstring> m_kiosks;
    std::vector<HANDLE> m_handles;
};

} // namespace

void CDeskReader::State::Run() {
    CShareWatch watch;
    bool bOffline = false;
    bool bChanged = false;
    bool bNoNotices = false;
    DeskDate lastLoggedDay{};
    DWORD dwChangedAt = 0;
    DWORD dwListedAt = ::GetTickCount() - kDeskRescanMs;
    for (;;) {
        bool bListNow, bJobs;
        {
            CLock guard(*this);
            bListNow = this->bListNow;
            bJobs = !jobs.empty();
        }
        const DWORD dwNow = ::GetTickCount();
        bListNow =
            bListNow || dwNow - dwListedAt >= kDeskRescanMs || (bChanged && dwNow - dwChangedAt >= kDeskSettleMs);
        if (!bListNow) {
            DWORD dwWait = kDeskRescanMs - (dwNow - dwListedAt);
            if (bChanged)
                dwWait = std::min<DWORD>(dwWait, kDeskSettleMs - (dwNow - dwChangedAt));
            if (bJobs)
                dwWait = 0;
            HANDLE handles[MAXIMUM_WAIT_OBJECTS] = {hStop.Get(), hWake.Get()};
            std::copy(watch.Handles(), watch.Handles() + watch.Count(), handles + 2);
            const DWORD r = ::WaitForMultipleObjects(2 + watch.Count(), handles, FALSE, dwWait);
            if (r == WAIT_OBJECT_0)
                return;
            if (r >= WAIT_OBJECT_0 + 2 && r < WAIT_OBJECT_0 + 2 + watch.Count()) {
                if (!bChanged)
                    dwChangedAt = ::GetTickCount();
                bChanged = true;
                if (!watch.Rearm(r - WAIT_OBJECT_0 - 2))
                    watch.Clear(); // made anew after the next listing
                continue;
            }
            if (r == WAIT_FAILED) // a change handle the vanished share took with it
                watch.Clear();
            if (r != WAIT_TIMEOUT || !bJobs)
                continue;
        }
        if (Stopping())
            return;
        if (bListNow) {
            DeskDate shown;
            {
                CLock guard(*this);
                shown = day;
                this->bListNow = false;
            }
            DeskListing result{};
            const DWORD dwStart = ::GetTickCount();
            const bool bNewDay = !(shown == lastLoggedDay);
            const ShareDayResult listed = ListShareDay(share, shown, result.list);
            result.dwError = listed.dwError;
            result.failedFolder = listed.failedFolder;
            dwListedAt = ::GetTickCount();
            bChanged = false;
            if (listed.dwError != ERROR_SUCCESS) {
                if (!bOffline)
                    LogEvent(L"Desk: %ls cannot be read (%ls); trying again every %lu s", listed.failedFolder.c_str(),
                             DescribeError(listed.dwError).c_str(), kDeskRescanMs / 1000);
                bOffline = true;
                watch.Clear();
            } else {
                if (bOffline)
                    LogEvent(L"Desk: %ls can be read again", share.c_str());
                bOffline = false;
                const bool bWatched = watch.Watch(share, result.list.Counts());
                if (!bWatched && !bNoNotices)
                    LogEvent(L"Desk: %ls sends no change notices (%ls); new records show at the next rescan",
                             share.c_str(), DescribeError(::GetLastError()).c_str());
                bNoNotices = !bWatched;
            }
            if (result.list.Truncated())
                LogEvent(L"Desk: %ls has more than %zu records; the rest are not shown", FormatDeskDate(shown).c_str(),
                         kDeskMaxRecords);
            if (bNewDay && listed.dwError == ERROR_SUCCESS) {
                lastLoggedDay = shown;
                LogEvent(L"Desk: %ls: %zu records from %zu kiosk folders, listed in %lu ms",
                         FormatDeskDate(shown).c_str(), result.list.Records().size(), result.list.Counts().size(),
                         dwListedAt - dwStart);
            }
            CLock guard(*this);
            // a day chosen meanwhile is listed next; this one is of no use
            if (!this->bListNow) {
                listing = std::move(result);
                Notify();
            }
            continue;
        }
        DeskThumbJob job;
        {
            CLock guard(*this);
            if (jobs.empty())
                continue;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        DeskThumb thumb = Scale(job);
        CLock guard(*this);
        thumbs.push_back({std::move(job), std::move(thumb)});
        Notify();
    }
}

bool CDeskReader::Start(HWND hNotify, UINT nMessage, const std::wstring& share, const DeskDate& day) {
    Stop();
    auto state = std::make_shared<State>();
    if (!state->hStop || !state->hWake)
        return false;
    state->hNotify = hNotify;
    state->nMessage = nMessage;
    state->share = share;
    state->day = day;
    auto pWorkerRef = std::make_unique<std::shared_ptr<State>>(state);
    m_hThread = ::CreateThread(nullptr, 0, ReaderThread, pWorkerRef.get(), 0, nullptr);
    if (!m_hThread)
        return false;
    pWorkerRef.release(); // the thread owns it now
    m_state = std::move(state);
    return true;
}

void CDeskReader::Stop() {
    if (!m_hThread)
        return;
    ::SetEvent(m_state->hStop.Get());
    // a listing blocked on an unreachable server gives up its wait
    ::CancelSynchronousIo(m_hThread);
    if (::WaitForSingleObject(m_hThread, 5000) != WAIT_OBJECT_0)
        LogEvent(L"Desk: the share reader did not stop in time; it ends with the program");
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
    m_state.reset();
}

void CDeskReader::ShowDay(const DeskDate& day) {
    if (!m_state)
        return;
    State::CLock guard(*m_state);
    m_state->day = day;
    m_state->bListNow = true;
    m_state->jobs.clear();
    m_state->listing.reset();
    ::SetEvent(m_state->hWake.Get());
}

void CDeskReader::Rescan() {
    if (!m_state)
        return;
    State::CLock guard(*m_state);
    m_state->bListNow = true;
    ::SetEvent(m_state->hWake.Get());
}

void CDeskReader::WantThumbnails(std::vector<DeskThumbJob> jobs) {
    if (!m_state)
        return;
    State::CLock guard(*m_state);
    m_state->jobs.assign(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
    ::SetEvent(m_state->hWake.Get());
}

std::optional<DeskListing> CDeskReader::TakeListing() {
    if (!m_state)
        return std::nullopt;
    State::CLock guard(*m_state);
    m_state->bPosted = false;
    return std::exchange(m_state->listing, std::nullopt);
}

std::vector<DeskThumbResult> CDeskReader::TakeThumbnails() {
    if (!m_state)
        return {};
    State::CLock guard(*m_state);
    m_state->bPosted = false;
    return std::exchange(m_state->thumbs, {});
}
