// Copying the records to the kiosk's folder on a file share, one pass at a
// time on the record keeper's worker thread.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/FileIo.h"
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
    // folder; computerName names the temporary copies; hStop (borrowed) ends
    // a pass between two records.
    CShareCopier(std::wstring strLocal, std::wstring strShare, std::wstring computerName, HANDLE hStop);

    enum class Pass {
        Done,     // nothing is pending
        MoreToDo, // the pass took its time: the next comes at once, after any new save
        Failed,   // the share failed or a record must wait: the next comes after a pause
    };
    Pass CopyPass();
    // Records found or put on the share since the last pass that was done.
    int CopiedSinceDone() const { return m_nCopied; }
    // Counts a failed pass; the failed passes in a row.
    int CountFailedPass() { return ++m_nFailures; }

    // Whether the record's bytes were found on the share by this process, and
    // the share can be reached.
    bool IsKnownCopied(const std::wstring& name) const;
    // Reads both again: whether the record's bytes are still where they were found.
    bool IsOnShare(const std::wstring& name);
    // The record is not on the share after all: the next pass copies it.
    void CopyAgain(const std::wstring& name);

private:
    enum class CopyResult { Copied, AlreadyThere, Skipped, Deferred, Failed };
    // Unknown until the first copy or failure; Refused: the share folder is
    // the record folder itself, and nothing is ever copied there.
    enum class ShareState { Unknown, Working, Down, Refused };

    bool Stopping() const { return ::WaitForSingleObject(m_hStop, 0) == WAIT_OBJECT_0; }
    std::wstring SharePath(const std::wstring& name, int n) const;
    bool ScanShare();
    // Forgets records no longer in the folder; the pending ones in copy order.
    std::vector<RecordFile> Pending(const std::vector<LocalRecord>& local);
    CopyResult CopyOne(const RecordFile& record, size_t nLeft);
    CopyResult WriteCopy(const RecordFile& record, int nFirstFree, size_t nLeft);
    CopyResult LocalUnreadable(const RecordFile& record, DWORD dwError);
    void ShareFailed(DWORD dwError);

    std::wstring m_strLocal;
    std::wstring m_strShare;
    std::wstring m_computerName;
    HANDLE m_hStop;
    CFileStreamer m_streamer;
    // folded names of local records whose bytes this process found on the
    // share, each with the number of the name they are under there
    std::map<std::wstring, int> m_copied;
    std::set<std::wstring> m_shareNames; // folded names the share holds, from its listing and our copies
    ShareState m_state = ShareState::Unknown;
    bool m_bScanned = false;
    bool m_bLastPassDone = true;
    int m_nFailures = 0;
    int m_nCopied = 0;
    int m_nFoundThere = 0; // of m_nCopied, those whose bytes were there already
};
