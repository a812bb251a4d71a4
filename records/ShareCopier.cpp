#include "records/HistoryVisit.h"
#include "records/RecordKeeper.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/Handle.h"
#include "framework/Log.h"
#include "framework/NumberedName.h"
#include "records/RecordName.h"
#include "records/Retention.h"
#include "records/ShareRules.h"
#include "records/ShareSettings.h"

namespace {

constexpr DWORD kRetentionPeriodMs = 60 * 60 * 1000;
// while the history is open, retention tries again this much later
constexpr DWORD kRetentionBusyRetryMs = 60 * 1000;
// a copy to a slow share may still be running at exit; the next start finds it
constexpr DWORD kStopWaitMs = 10000;
constexpr DWORD kChunkBytes = 1 << 20;

SRWLOCK g_historyLock = SRWLOCK_INIT;
int g_nHistoryVisits = 0;

struct LocalRecord {
    RecordFile file;
    FILETIME ftWrite;
};

// The files of a folder, or the error when it cannot be listed.
DWORD ListFiles(const std::wstring& folder, std::vector<LocalRecord>& files) {
    files.clear();
    WIN32_FIND_DATAW data;
    CFindHandle find((folder + L"\\*").c_str(), data);
    if (!find)
        return ::GetLastError();
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        files.push_back(
            {{data.cFileName, (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow}, data.ftLastWriteTime});
    } while (find.Next(data));
    return ERROR_SUCCESS;
}

bool ReadWhole(const std::wstring& path, std::vector<uint8_t>& bytes) {
    CHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD nRead = 0;
        const DWORD n = static_cast<DWORD>(std::min<size_t>(kChunkBytes, bytes.size() - done));
        if (!::ReadFile(file.Get(), bytes.data() + done, n, &nRead, nullptr) || nRead == 0)
            return false;
        done += nRead;
    }
    return true;
}

enum class Holds { Yes, No, Unreadable };

// Whether the file holds exactly these bytes; a file that cannot be read
// (opened elsewhere, a lost connection) is neither.
Holds HoldsBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> there;
    if (!ReadWhole(path, there))
        return Holds::Unreadable;
    return there == bytes ? Holds::Yes : Holds::No;
}

// Whether the file has the bytes' size and their first and last 64 KiB: a
// cheap check that a copy arrived whole, where reading all of it back would
// double what goes over the network.
bool EndsMatch(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    CHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || static_cast<uint64_t>(size.QuadPart) != bytes.size())
        return false;
    constexpr size_t kEnd = 64 * 1024;
    const size_t n = std::min(kEnd, bytes.size());
    for (const size_t offset : {size_t{0}, bytes.size() - n}) {
        std::vector<uint8_t> there(n);
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD nRead = 0;
        if (!::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
            !::ReadFile(file.Get(), there.data(), static_cast<DWORD>(n), &nRead, nullptr) || nRead != n ||
            std::memcmp(there.data(), bytes.data() + offset, n) != 0)
            return false;
    }
    return true;
}

// Writes and flushes the bytes, then checks them through a new handle: a
// share that lost or cut the data says so here, not in the record.
bool WriteVerified(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    {
        CHandle file(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD nWritten = 0;
            const DWORD n = static_cast<DWORD>(std::min<size_t>(kChunkBytes, bytes.size() - done));
            if (!::WriteFile(file.Get(), bytes.data() + done, n, &nWritten, nullptr) || nWritten != n)
                return false;
            done += n;
        }
        if (!::FlushFileBuffers(file.Get()))
            return false;
    }
    if (EndsMatch(path, bytes))
        return true;
    ::SetLastError(ERROR_WRITE_FAULT);
    return false;
}

RecordTime LocalTimeOf(const FILETIME& ft) {
    FILETIME ftLocal;
    SYSTEMTIME st{};
    ::FileTimeToLocalFileTime(&ft, &ftLocal);
    ::FileTimeToSystemTime(&ftLocal, &st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

class CRecordKeeper {
public:
    bool Start(const ShareSettings& settings);
    void Wake() { ::SetEvent(m_hWake.Get()); }
    // False when the worker did not end in time and must outlive the call.
    bool Stop();

private:
    enum class CopyResult { Copied, AlreadyThere, Skipped, Deferred, Failed };

    static DWORD WINAPI ThreadProc(void* pParam);
    void Run();
    bool Stopping() const { return ::WaitForSingleObject(m_hStop.Get(), 0) == WAIT_OBJECT_0; }
    std::vector<LocalRecord> LocalRecords() const;
    bool ScanShare(const std::vector<LocalRecord>& local);
    // Copies everything pending; false when the share failed or a record must wait.
    bool CopyPass();
    CopyResult CopyOne(const RecordFile& record);
    void ShareFailed(DWORD dwError);
    // Whether the local record's bytes are on the share, under its name or a clash's.
    bool IsOnShare(const std::wstring& name) const;
    // False when the history was open and the run must come again.
    bool RunRetention();

    CHandle m_hThread, m_hStop, m_hWake;
    std::wstring m_strLocal; // the record folder, absolute
    std::wstring m_strShare; // the kiosk's share folder; empty when not usable
    bool m_bShareWanted = false;
    int m_nKeepDays = 0;
    std::set<std::wstring> m_copied; // folded names of local records known on the share
    bool m_bScanned = false;
    bool m_bOffline = false;
    int m_nFailures = 0;
    bool m_bKeptUncopied = false;
    int m_nCopied = 0; // records the last pass found or put on the share
};

bool CRecordKeeper::Start(const ShareSettings& settings) {
    m_strLocal = ProgramFolder() + kRecordFolder;
    m_nKeepDays = settings.nKeepDays;
    m_bShareWanted = settings.bShareWanted;
    m_strShare = settings.kioskFolder;
    if (!m_bShareWanted && m_nKeepDays == 0)
        return false;
    m_hStop = CHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hWake = CHandle(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_hStop || !m_hWake)
        return false;
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
    bool bRetentionDue = m_nKeepDays > 0;
    DWORD dwLastRetention = ::GetTickCount();
    for (;;) {
        DWORD dwWait = INFINITE;
        if (!m_strShare.empty()) {
            m_nCopied = 0;
            if (CopyPass()) {
                m_nFailures = 0;
                // what waited only for its copy can go now
                if (m_bKeptUncopied && m_nCopied > 0)
                    bRetentionDue = true;
            } else if (!Stopping()) {
                dwWait = RetryDelayMs(++m_nFailures);
            }
        }
        if (m_nKeepDays > 0) {
            const DWORD dwSince = ::GetTickCount() - dwLastRetention;
            if (bRetentionDue || dwSince >= kRetentionPeriodMs) {
                bRetentionDue = !RunRetention();
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

std::vector<LocalRecord> CRecordKeeper::LocalRecords() const {
    std::vector<LocalRecord> files;
    ListFiles(m_strLocal, files);
    // the files the history lists, and nothing else: not a save's temporary file
    std::erase_if(files, [](const LocalRecord& f) { return !IsRecordName(f.file.name); });
    return files;
}

bool CRecordKeeper::ScanShare(const std::vector<LocalRecord>& local) {
    // the Velmo folder and the kiosk's are made when missing; the share itself cannot be
    const size_t slash = m_strShare.rfind(L'\\');
    ::CreateDirectoryW(m_strShare.substr(0, slash).c_str(), nullptr);
    ::CreateDirectoryW(m_strShare.c_str(), nullptr);
    std::vector<LocalRecord> there;
    if (const DWORD dwError = ListFiles(m_strShare, there); dwError != ERROR_SUCCESS) {
        ShareFailed(dwError);
        return false;
    }
    std::vector<RecordFile> shared, mine;
    for (const LocalRecord& f : there) {
        // a copy cut short by a crash or a lost connection
        if (IsShareTempName(f.file.name))
            ::DeleteFileW((m_strShare + L"\\" + f.file.name).c_str());
        else
            shared.push_back(f.file);
    }
    for (const LocalRecord& f : local)
        mine.push_back(f.file);
    const std::vector<RecordFile> pending = PendingRecords(mine, shared);
    std::set<std::wstring> pendingNames;
    for (const RecordFile& f : pending)
        pendingNames.insert(FoldedName(f.name));
    for (const RecordFile& f : mine) {
        if (!pendingNames.contains(FoldedName(f.name)))
            m_copied.insert(FoldedName(f.name));
    }
    if (m_bOffline)
        LogEvent(L"Share: %ls works again; %zu records to copy", m_strShare.c_str(), pending.size());
    m_bOffline = false;
    m_bScanned = true;
    return true;
}

bool CRecordKeeper::CopyPass() {
    const std::vector<LocalRecord> local = LocalRecords();
    if (!m_bScanned && !ScanShare(local))
        return false;
    std::vector<RecordFile> pending;
    for (const LocalRecord& f : local) {
        if (!m_copied.contains(FoldedName(f.file.name)))
            pending.push_back(f.file);
    }
    // in the order they were signed in
    pending = PendingRecords(std::move(pending), {});
    bool bDeferred = false;
    for (const RecordFile& record : pending) {
        if (Stopping())
            return false;
        switch (CopyOne(record)) {
        case CopyResult::Copied:
        case CopyResult::AlreadyThere:
            m_copied.insert(FoldedName(record.name));
            ++m_nCopied;
            break;
        case CopyResult::Skipped:
            break;
        case CopyResult::Deferred:
            bDeferred = true;
            break;
        case CopyResult::Failed:
            return false;
        }
    }
    return !bDeferred;
}

CRecordKeeper::CopyResult CRecordKeeper::CopyOne(const RecordFile& record) {
    const DWORD dwStart = ::GetTickCount();
    std::vector<uint8_t> bytes;
    if (!ReadWhole(m_strLocal + L"\\" + record.name, bytes)) {
        const DWORD dwError = ::GetLastError();
        // deleted by hand since the folder was listed: there is nothing left to copy
        LogEvent(L"Share: %ls\\%ls was not copied: it cannot be read (%ls)", kRecordFolder, record.name.c_str(),
                 DescribeError(dwError).c_str());
        return CopyResult::Skipped;
    }
    // the first free name, unless the record is already there (copied before a
    // crash, or under a clash's name)
    int n = 1;
    for (; n <= kMaxShareCopyNames; ++n) {
        const std::wstring target = m_strShare + L"\\" + NumberedName(record.name, n);
        if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
            const DWORD dwError = ::GetLastError();
            if (dwError == ERROR_FILE_NOT_FOUND)
                break;
            ShareFailed(dwError);
            return CopyResult::Failed;
        }
        const Holds holds = HoldsBytes(target, bytes);
        if (holds == Holds::Yes)
            return CopyResult::AlreadyThere;
        // an unread file may be this very record: copying it again could make a
        // duplicate, so it waits, and the records after it go on
        if (holds == Holds::Unreadable) {
            if (m_nFailures == 0)
                LogEvent(L"Share: %ls cannot be read (%ls); %ls\\%ls is copied later", target.c_str(),
                         DescribeError(::GetLastError()).c_str(), kRecordFolder, record.name.c_str());
            return CopyResult::Deferred;
        }
    }
    const std::wstring temp = m_strShare + L"\\" + ShareTempName(::GetCurrentProcessId());
    if (!WriteVerified(temp, bytes)) {
        const DWORD dwError = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        ShareFailed(dwError);
        return CopyResult::Failed;
    }
    for (; n <= kMaxShareCopyNames; ++n) {
        const std::wstring target = m_strShare + L"\\" + NumberedName(record.name, n);
        // without MOVEFILE_REPLACE_EXISTING the rename fails on a taken name
        if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            // two kiosks writing into one folder show up here
            if (n > 1)
                LogEvent(L"Share: the name of %ls\\%ls is taken on the share by another file", kRecordFolder,
                         record.name.c_str());
            LogEvent(L"Share: copied %ls\\%ls to %ls: %zu bytes in %lu ms", kRecordFolder, record.name.c_str(),
                     target.c_str(), bytes.size(), ::GetTickCount() - dwStart);
            return CopyResult::Copied;
        }
        const DWORD dwError = ::GetLastError();
        if (dwError != ERROR_ALREADY_EXISTS && dwError != ERROR_FILE_EXISTS) {
            ::DeleteFileW(temp.c_str());
            ShareFailed(dwError);
            return CopyResult::Failed;
        }
    }
    ::DeleteFileW(temp.c_str());
    LogEvent(L"Share: %ls\\%ls was not copied: every name for it is taken in %ls", kRecordFolder, record.name.c_str(),
             m_strShare.c_str());
    return CopyResult::Skipped;
}

bool CRecordKeeper::IsOnShare(const std::wstring& name) const {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(m_strLocal + L"\\" + name, bytes))
        return false;
    for (int n = 1; n <= kMaxShareCopyNames; ++n) {
        const std::wstring path = m_strShare + L"\\" + NumberedName(name, n);
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return false;
        if (const Holds holds = HoldsBytes(path, bytes); holds != Holds::No)
            return holds == Holds::Yes;
    }
    return false;
}

void CRecordKeeper::ShareFailed(DWORD dwError) {
    // what it was copying is found again by the next scan
    m_bScanned = false;
    if (m_bOffline)
        return;
    m_bOffline = true;
    LogEvent(
        L"Share: %ls cannot be reached or written (%ls); records stay on this kiosk and are copied when it is back",
        m_strShare.c_str(), DescribeError(dwError).c_str());
}

bool CRecordKeeper::RunRetention() {
    std::vector<LocalRecord> local = LocalRecords();
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
        if (m_bShareWanted && (m_bOffline || !m_copied.contains(FoldedName(f.file.name)))) {
            ++nKept;
            continue;
        }
        // read back first: a file of the same name and size may be another kiosk's
        if (m_bShareWanted && !IsOnShare(f.file.name)) {
            m_copied.erase(FoldedName(f.file.name));
            ::SetEvent(m_hWake.Get()); // so it is copied after all
            ++nKept;
            continue;
        }
        const std::wstring path = m_strLocal + L"\\" + f.file.name;
        ::AcquireSRWLockExclusive(&g_historyLock);
        const bool bHistoryOpen = g_nHistoryVisits > 0;
        const BOOL bDeleted = !bHistoryOpen && ::DeleteFileW(path.c_str());
        const DWORD dwError = ::GetLastError();
        ::ReleaseSRWLockExclusive(&g_historyLock);
        if (bHistoryOpen) {
            LogEvent(L"Retention: waits until the history is closed");
            return false;
        }
        if (bDeleted)
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

// Lives from start to exit; left alone when its worker is stuck on the network.
CRecordKeeper* g_pKeeper = nullptr;

} // namespace

void StartRecordKeeping(const ShareSettings& settings) {
    auto keeper = std::make_unique<CRecordKeeper>();
    if (keeper->Start(settings))
        g_pKeeper = keeper.release();
}

void RecordSaved() {
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
    if (g_pKeeper)
        g_pKeeper->Wake();
}
