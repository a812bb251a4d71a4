#include "SignInRecord.h"

#include "framework/FileIo.h"
#include "framework/Log.h"

namespace {

constexpr int kMaxCopiesPerSecond = 1000;

} // namespace

std::wstring WriteSignInRecord(const std::vector<uint8_t>& file, const RecordTime& t) {
    if (file.empty())
        return {};
    // an operator may have removed the folder; a record must not vanish for that
    ::CreateDirectoryW(kRecordFolder, nullptr);
    const std::wstring temp = RecordTempFileName(::GetCurrentProcessId());
    if (!WriteFileDurably(temp.c_str(), file)) {
        LogEvent(L"Save failed: %ls could not be written (%ls)", temp.c_str(), DescribeError(::GetLastError()).c_str());
        return {};
    }
    const int nCopy = RenameToFreeName(temp, 1, kMaxCopiesPerSecond, [&](int n) { return RecordFileName(t, n); });
    if (nCopy > 0)
        return RecordFileName(t, nCopy);
    LogEvent(L"Save failed: %ls could not be renamed (%ls)", temp.c_str(), DescribeError(::GetLastError()).c_str());
    ::DeleteFileW(temp.c_str());
    return {};
}
