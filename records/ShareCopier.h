// Copying the records to the kiosk's folder on a file share, one pass at a
// time on the record keeper's worker thread.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "records/ShareRules.h"

// A record of the kiosk's record folder, with the time it was last written.
struct LocalRecord {
    RecordFile file;
    FILETIME ftWrite;
};

// The files of the record folder the history lists, and nothing else: not a
// save's temporary file.
std::vector<LocalRecord> ListRecords(const std::wstring& folder);

class CShareCopier {
public:
    // strLocal: the record folder, absolute; strShare: the kiosk's share
    // folder; hStop (borrowed) ends a pass between two records.
    CShareCopier(std::wstring strLocal, std::wstring strShare, HANDLE hStop);

    // Copies everything pending; false when the share failed or a record must wait.
    bool CopyPass();
    // Records the last pass found or put on the share.
    int CopiedLastPass() const { return m_nCopied; }
    // Counts a failed pass; the failed passes in a row.
    int CountFailedPass() { return ++m_nFailures; }

    // Whether the record is known to be on the share, which can be reached.
    bool IsKnownCopied(const std::wstring& name) const;
    // Whether the local record's bytes are on the share, under its name or a clash's.
    bool IsOnShare(const std::wstring& name) const;
    // The record is not on the share after all: the next pass copies it.
    void CopyAgain(const std::wstring& name);

private:
    enum class CopyResult { Copied, AlreadyThere, Skipped, Deferred, Failed };

    bool Stopping() const { return ::WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0; }
    bool ScanShare(const std::vector<LocalRecord>& local);
    bool CopyPending();
    CopyResult CopyOne(const RecordFile& record);
    void ShareFailed(DWORD dwError);

    std::wstring m_strLocal;
    std::wstring m_strShare;
    HANDLE m_hStop;
    std::set<std::wstring> m_copied; // folded names of local records known on the share
    bool m_bScanned = false;
    bool m_bOffline = false;
    int m_nFailures = 0;
    int m_nCopied = 0;
};
