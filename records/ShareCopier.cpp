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

// Records and copies are read while others may read them too, and while
// retention or an operator may delete them.
constexpr DWORD kReadShare = FILE_SHARE_READ | FILE_SHARE_DELETE;

// How long one pass copies and compares before it lets a new save go first:
// after a start every record on the share is compared once, which takes a
// while on a share of thousands.
constexpr ULONGLONG kPassSliceMs = 2000;

} // namespace

std::vector<LocalRecord> ListRecords(const std::wstring& folder) {
    std::vector<LocalRecord> files;
    ListFiles(folder, files);
    std::erase_if(files, [](const LocalRecord& f) { return !IsRecordName(f.file.name); });
    return files;
}

CShareCopier::CShareCopier(std::wstring strLocal, std::wstring strShare, std::wstring computerName, HANDLE hStop)
    : m_strLocal(std::move(strLocal)), m_strShare(std::move(strShare)), m_computerName(std::move(computerName)),
      m_hStop(hStop) {}

std::wstring CShareCopier::SharePath(const std::wstring& name, int n) const {
    return m_strShare + L"\\" + NumberedName(name, n);
}

CShareCopier::Pass CShareCopier::CopyPass() {
    if (m_bLastPassDone)
        m_nCopied = m_nFoundThere = 0;
    m_bLastPassDone = false;
    if (m_state == ShareState::Refused)
        return Pass::Done;
    const std::vector<LocalRecord> local = ListRecords(m_strLocal);
    if (!m_bScanned && !ScanShare())
        return m_state == ShareState::Refused ? Pass::Done : Pass::Failed;
    const std::vector<RecordFile> pending = Pending(local);
    const ULONGLONG start = ::GetTickCount64();
    bool bDeferred = false;
    for (size_t i = 0; i < pending.size(); ++i) {
        if (Stopping())
            return Pass::Failed;
        if (i > 0 && ::GetTickCount64() - start >= kPassSliceMs) {
            if (!bDeferred)
                m_nFailures = 0;
            return Pass::MoreToDo;
        }
        switch (CopyOne(pending[i], pending.size() - i)) {
        case CopyResult::AlreadyThere:
            ++m_nFoundThere;
            [[fallthrough]];
        case CopyResult::Copied:
            ++m_nCopied;
            break;
        case CopyResult::Skipped:
            break;
        case CopyResult::Deferred:
            bDeferred = true;
            break;
        case CopyResult::Failed:
            return Pass::Failed;
        }
    }
    if (bDeferred)
        return Pass::Failed;
    // after a start or an outage: what the share was found to hold already
    if (m_nFoundThere > 0)
        LogEvent(L"Share: %d records were on the share already, compared byte for byte", m_nFoundThere);
    m_nFoundThere = 0;
    m_nFailures = 0;
    m_bLastPassDone = true;
    return Pass::Done;
}

bool CShareCopier::IsKnownCopied(const std::wstring& name) const {
    return m_state != ShareState::Down && m_copied.contains(FoldedName(name));
}

bool CShareCopier::IsOnShare(const std::wstring& name) {
    const auto it = m_copied.find(FoldedName(name));
    return it != m_copied.end() &&
           m_streamer.Compare((m_strLocal + L"\\" + name).c_str(), SharePath(name, it->second).c_str(), kReadShare) ==
               CFileStreamer::Sameness::Same;
}

void CShareCopier::CopyAgain(const std::wstring& name) {
    m_copied.erase(FoldedName(name));
}

bool CShareCopier::ScanShare() {
    // the Velmo folder and the kiosk's are made when missing; the share itself cannot be
    const size_t slash = m_strShare.rfind(L'\\');
    ::CreateDirectoryW(m_strShare.substr(0, slash).c_str(), nullptr);
    ::CreateDirectoryW(m_strShare.c_str(), nullptr);
    std::vector<LocalRecord> there;
    if (const DWORD dwError = ListFiles(m_strShare, there); dwError != ERROR_SUCCESS) {
        ShareFailed(dwError);
        return false;
    }
    // reached by another path, the record folder would hold every record's
    // copy already, and retention would delete the only one
    if (IsSameFile(m_strShare.c_str(), m_strLocal.c_str())) {
        m_state = ShareState::Refused;
        LogEvent(L"Share: %ls is this kiosk's own %ls folder; records are not copied there and retention deletes "
                 L"none. Set [Share] Folder and Kiosk to a folder elsewhere",
                 m_strShare.c_str(), kRecordFolder);
        return false;
    }
    m_shareNames.clear();
    for (const LocalRecord& f : there) {
        // a copy of this kiosk's cut short by a crash or a lost connection;
        // another kiosk's may be in flight
        if (IsOwnShareTempName(f.file.name, m_computerName))
            ::DeleteFileW((m_strShare + L"\\" + f.file.name).c_str());
        else if (!IsShareTempName(f.file.name))
            m_shareNames.insert(FoldedName(f.file.name));
    }
    m_bScanned = true;
    return true;
}

std::vector<RecordFile> CShareCopier::Pending(const std::vector<LocalRecord>& local) {
    std::vector<RecordFile> files;
    std::map<std::wstring, int> stillHere;
    std::set<std::wstring> known;
    for (const LocalRecord& f : local) {
        files.push_back(f.file);
        const std::wstring folded = FoldedName(f.file.name);
        if (const auto it = m_copied.find(folded); it != m_copied.end()) {
            stillHere.insert(*it);
            known.insert(folded);
        }
    }
    m_copied = std::move(stillHere);
    return PendingRecords(std::move(files), known, m_shareNames);
}

CShareCopier::CopyResult CShareCopier::CopyOne(const RecordFile& record, size_t nLeft) {
    const std::wstring local = m_strLocal + L"\\" + record.name;
    // the first free name, unless the record's bytes are already there (copied
    // before a crash, or under a clash's name)
    int n = 1;
    for (; n <= kMaxShareCopyNames; ++n) {
        const std::wstring target = SharePath(record.name, n);
        if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
            const DWORD dwError = ::GetLastError();
            if (dwError == ERROR_FILE_NOT_FOUND)
                break;
            ShareFailed(dwError);
            return CopyResult::Failed;
        }
        switch (m_streamer.Compare(local.c_str(), target.c_str(), kReadShare)) {
        case CFileStreamer::Sameness::Same:
            m_copied[FoldedName(record.name)] = n;
            return CopyResult::AlreadyThere;
        case CFileStreamer::Sameness::Different:
            continue;
        case CFileStreamer::Sameness::FirstUnreadable:
            return LocalUnreadable(record, ::GetLastError());
        case CFileStreamer::Sameness::SecondUnreadable:
            // an unread file may be this very record: copying it again could
            // make a duplicate, so it waits, and the records after it go on
            if (m_nFailures == 0)
                LogEvent(L"Share: %ls cannot be read (%ls); %ls\\%ls is copied later", target.c_str(),
                         DescribeError(::GetLastError()).c_str(), kRecordFolder, record.name.c_str());
            return CopyResult::Deferred;
        }
    }
    if (n > kMaxShareCopyNames) {
        LogEvent(L"Share: %ls\\%ls was not copied: every name for it is taken in %ls", kRecordFolder,
                 record.name.c_str(), m_strShare.c_str());
        return CopyResult::Skipped;
    }
    return WriteCopy(record, n, nLeft);
}

CShareCopier::CopyResult CShareCopier::WriteCopy(const RecordFile& record, int nFirstFree, size_t nLeft) {
    const ULONGLONG start = ::GetTickCount64();
    const std::wstring local = m_strLocal + L"\\" + record.name;
    const std::wstring temp = m_strShare + L"\\" + ShareTempName(m_computerName, ::GetCurrentProcessId());
    switch (m_streamer.CopyDurably(local.c_str(), temp.c_str(), kReadShare)) {
    case CFileStreamer::CopyFault::None:
        break;
    case CFileStreamer::CopyFault::Source:
        return LocalUnreadable(record, ::GetLastError());
    case CFileStreamer::CopyFault::Target:
        ShareFailed(::GetLastError());
        return CopyResult::Failed;
    }
    // every byte read back through new handles: a share that lost or changed
    // any of them says so here, not in the record
    const CFileStreamer::Sameness readBack = m_streamer.Compare(local.c_str(), temp.c_str(), kReadShare);
    const DWORD dwReadError = ::GetLastError();
    if (readBack != CFileStreamer::Sameness::Same) {
        ::DeleteFileW(temp.c_str());
        if (readBack == CFileStreamer::Sameness::FirstUnreadable)
            return LocalUnreadable(record, dwReadError);
        if (readBack == CFileStreamer::Sameness::Different)
            LogEvent(L"Share: the copy of %ls\\%ls read back different from the record; it is copied again",
                     kRecordFolder, record.name.c_str());
        ShareFailed(readBack == CFileStreamer::Sameness::Different ? ERROR_WRITE_FAULT : dwReadError);
        return CopyResult::Failed;
    }
    const int nTaken =
        RenameToFreeName(temp, nFirstFree, kMaxShareCopyNames, [&](int k) { return SharePath(record.name, k); });
    if (nTaken <= 0) {
        const DWORD dwError = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        if (nTaken == kRenameFailed) {
            ShareFailed(dwError);
            return CopyResult::Failed;
        }
        LogEvent(L"Share: %ls\\%ls was not copied: every name for it is taken in %ls", kRecordFolder,
                 record.name.c_str(), m_strShare.c_str());
        return CopyResult::Skipped;
    }
    m_copied[FoldedName(record.name)] = nTaken;
    m_shareNames.insert(FoldedName(NumberedName(record.name, nTaken)));
    // two kiosks writing into one folder show up here
    if (nTaken > 1)
        LogEvent(L"Share: the name of %ls\\%ls is taken on the share by another file", kRecordFolder,
                 record.name.c_str());
    LogEvent(L"Share: copied %ls\\%ls to %ls: %llu bytes in %llu ms", kRecordFolder, record.name.c_str(),
             SharePath(record.name, nTaken).c_str(), static_cast<unsigned long long>(record.size),
             ::GetTickCount64() - start);
    // only a copy written and read back shows the share works
    if (m_state == ShareState::Down)
        LogEvent(L"Share: %ls works again; %zu more records to copy", m_strShare.c_str(), nLeft - 1);
    m_state = ShareState::Working;
    return CopyResult::Copied;
}

CShareCopier::CopyResult CShareCopier::LocalUnreadable(const RecordFile& record, DWORD dwError) {
    if (dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND) {
        LogEvent(L"Share: %ls\\%ls was not copied: it was deleted first", kRecordFolder, record.name.c_str());
        return CopyResult::Skipped;
    }
    // held by a virus scanner or a backup, say: it waits for the next pass
    if (m_nFailures == 0)
        LogEvent(L"Share: %ls\\%ls cannot be read now (%ls); it is copied later", kRecordFolder, record.name.c_str(),
                 DescribeError(dwError).c_str());
    return CopyResult::Deferred;
}

void CShareCopier::ShareFailed(DWORD dwError) {
    // what it was copying is found again by the next scan
    m_bScanned = false;
    if (m_state == ShareState::Down)
        return;
    m_state = ShareState::Down;
    LogEvent(
        L"Share: %ls cannot be reached or written (%ls); records stay on this kiosk and are copied when it is back",
        m_strShare.c_str(), DescribeError(dwError).c_str());
}
