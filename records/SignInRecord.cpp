#include "SignInRecord.h"

#include "framework/Handle.h"
#include "framework/Log.h"

namespace {

constexpr int kMaxCopiesPerSecond = 1000;

bool WriteAndFlush(const std::wstring& path, const std::vector<uint8_t>& file) {
    CHandle handle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle)
        return false;
    DWORD nWritten = 0;
    return ::WriteFile(handle.Get(), file.data(), static_cast<DWORD>(file.size()), &nWritten, nullptr) &&
           nWritten == file.size() && ::FlushFileBuffers(handle.Get());
}

} // namespace

std::wstring WriteSignInRecord(const std::vector<uint8_t>& file, const RecordTime& t) {
    if (file.empty())
        return {};
    // an operator may have removed the folder; a record must not vanish for that
    ::CreateDirectoryW(kRecordFolder, nullptr);
    const std::wstring temp = RecordTempFileName(::GetCurrentProcessId());
    if (!WriteAndFlush(temp, file)) {
        LogEvent(L"Save failed: %ls could not be written (%ls)", temp.c_str(), DescribeError(::GetLastError()).c_str());
        ::DeleteFileW(temp.c_str());
        return {};
    }
    for (int nCopy = 1; nCopy <= kMaxCopiesPerSecond; ++nCopy) {
        const std::wstring name = RecordFileName(t, nCopy);
        // without MOVEFILE_REPLACE_EXISTING the rename fails on a taken name
        if (::MoveFileExW(temp.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH))
            return name;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    LogEvent(L"Save failed: %ls could not be renamed (%ls)", temp.c_str(), DescribeError(::GetLastError()).c_str());
    ::DeleteFileW(temp.c_str());
    return {};
}
