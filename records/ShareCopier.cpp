#include "records/ShareCopier.h"

#include <algorithm>
#include <utility>

#include "framework/FileIo.h"
#include "framework/Handle.h"
#include "framework/Log.h"
#include "framework/NumberedName.h"
#include "records/RecordName.h"

namespace {

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

bool ReadRecord(const std::wstring& path, std::vector<uint8_t>& bytes) {
    return ReadWholeFile(path.c_str(), 0x7FFFFFFF, bytes, FILE_SHARE_READ | FILE_SHARE_DELETE, kShareRequestBytes) ==
           ReadFault::None;
}

enum class Holds { Yes, No, Unreadable };

// Whether the file holds exactly these bytes; a file that cannot be read
// (opened elsewhere, a lost connection) is neither.
Holds HoldsBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> there;
    if (!ReadRecord(path, there))
        return Holds::Unreadable;
    return there == bytes ? Holds::Yes : Holds::No;
}

// Whether the file has the bytes' size and their first and last 64 KiB: a
// cheap check that a copy arrived whole, where reading all of it back would
// double what goes over the network.
bool EndsMatch(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    CFileReader file(path.c_str(), FILE_SHARE_READ | FILE_SHARE_DELETE, kShareRequestBytes);
    uint64_t nSize = 0;
    if (!file || !file.GetSize(nSize) || nSize != bytes.size())
        return false;
    constexpr size_t kEnd = 64 * 1024;
    const size_t n = std::min(kEnd, bytes.size());
    std::vector<uint8_t> there(n);
    for (const size_t offset : {size_t{0}, bytes.size() - n}) {
        if (!file.ReadAt(offset, there.data(), n) || !std::equal(there.begin(), there.end(), bytes.begin() + offset))
            return false;
    }
    return true;
}

// Writes the bytes durably, then checks them through a new handle: a share
// that lost or cut the data says so here, not in the record.
bool WriteVerified(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    if (!WriteFileDurably(path.c_str(), bytes, kShareRequestBytes))
        return false;
    if (EndsMatch(path, bytes))
        return true;
    ::SetLastError(ERROR_WRITE_FAULT);
    return false;
}

} // namespace

std::vector<LocalRecord> ListRecords(const std::wstring& folder) {
    std::vector<LocalRecord> files;
    ListFiles(folder, files);
    std::erase_if(files, [](const LocalRecord& f) { return !IsRecordName(f.file.name); });
    return files;
}

CShareCopier::CShareCopier(std::wstring strLocal, std::wstring strShare, HANDLE hStop)
    : m_strLocal(std::move(strLocal)), m_strShare(std::move(strShare)), m_hStop(hStop) {}

bool CShareCopier::CopyPass() {
    m_nCopied = 0;
    if (!CopyPending())
        return false;
    m_nFailures = 0;
    return true;
}

bool CShareCopier::IsKnownCopied(const std::wstring& name) const {
    return !m_bOffline && m_copied.contains(FoldedName(name));
}

void CShareCopier::CopyAgain(const std::wstring& name) {
    m_copied.erase(FoldedName(name));
}

bool CShareCopier::ScanShare(const std::vector<LocalRecord>& local) {
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

bool CShareCopier::CopyPending() {
    const std::vector<LocalRecord> local = ListRecords(m_strLocal);
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

CShareCopier::CopyResult CShareCopier::CopyOne(const RecordFile& record) {
    const DWORD dwStart = ::GetTickCount();
    std::vector<uint8_t> bytes;
    if (!ReadRecord(m_strLocal + L"\\" + record.name, bytes)) {
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
    const int nTaken = RenameToFreeName(temp, n, kMaxShareCopyNames,
                                        [&](int k) { return m_strShare + L"\\" + NumberedName(record.name, k); });
    if (nTaken > 0) {
        // two kiosks writing into one folder show up here
        if (nTaken > 1)
            LogEvent(L"Share: the name of %ls\\%ls is taken on the share by another file", kRecordFolder,
                     record.name.c_str());
        LogEvent(L"Share: copied %ls\\%ls to %ls: %zu bytes in %lu ms", kRecordFolder, record.name.c_str(),
                 (m_strShare + L"\\" + NumberedName(record.name, nTaken)).c_str(), bytes.size(),
                 ::GetTickCount() - dwStart);
        return CopyResult::Copied;
    }
    const DWORD dwError = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    if (nTaken == kRenameFailed) {
        ShareFailed(dwError);
        return CopyResult::Failed;
    }
    LogEvent(L"Share: %ls\\%ls was not copied: every name for it is taken in %ls", kRecordFolder, record.name.c_str(),
             m_strShare.c_str());
    return CopyResult::Skipped;
}

bool CShareCopier::IsOnShare(const std::wstring& name) const {
    std::vector<uint8_t> bytes;
    if (!ReadRecord(m_strLocal + L"\\" + name, bytes))
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

void CShareCopier::ShareFailed(DWORD dwError) {
    // what it was copying is found again by the next scan
    m_bScanned = false;
    if (m_bOffline)
        return;
    m_bOffline = true;
    LogEvent(
        L"Share: %ls cannot be reached or written (%ls); records stay on this kiosk and are copied when it is back",
        m_strShare.c_str(), DescribeError(dwError).c_str());
}
