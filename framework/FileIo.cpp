#include "framework/FileIo.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

bool WriteWhole(const wchar_t* pszPath, const std::vector<uint8_t>& bytes, bool bFlush, size_t nRequestBytes) {
    CHandle file(::CreateFileW(pszPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    bool bWritten = true;
    for (size_t done = 0; bWritten && done < bytes.size();) {
        DWORD nWritten = 0;
        const DWORD n = static_cast<DWORD>(std::min({nRequestBytes, kOneRequest, bytes.size() - done}));
        bWritten = ::WriteFile(file.Get(), bytes.data() + done, n, &nWritten, nullptr) && nWritten == n;
        done += n;
    }
    if (bWritten && (!bFlush || ::FlushFileBuffers(file.Get())))
        return true;
    const DWORD dwError = ::GetLastError();
    file.Reset();
    ::DeleteFileW(pszPath); // a cut file must not pass for a whole one
    ::SetLastError(dwError);
    return false;
}

} // namespace

CFileReader::CFileReader(const wchar_t* pszPath, DWORD dwShare, size_t nRequestBytes)
    : m_file(::CreateFileW(pszPath, GENERIC_READ, dwShare, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)),
      m_nRequestBytes(std::min(nRequestBytes, kOneRequest)) {}

bool CFileReader::GetSize(uint64_t& nBytes) const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_file.Get(), &size))
        return false;
    nBytes = static_cast<uint64_t>(size.QuadPart);
    return true;
}

bool CFileReader::ReadAt(uint64_t offset, void* p, size_t n) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(m_file.Get(), at, nullptr, FILE_BEGIN))
        return false;
    auto* pTo = static_cast<uint8_t*>(p);
    for (size_t done = 0; done < n;) {
        DWORD nRead = 0;
        const DWORD nWant = static_cast<DWORD>(std::min(m_nRequestBytes, n - done));
        if (!::ReadFile(m_file.Get(), pTo + done, nWant, &nRead, nullptr) || nRead == 0)
            return false;
        done += nRead;
    }
    return true;
}

ReadFault ReadWholeFile(const wchar_t* pszPath, uint64_t nMaxBytes, std::vector<uint8_t>& bytes, DWORD dwShare,
                        size_t nRequestBytes) {
    CFileReader file(pszPath, dwShare, nRequestBytes);
    uint64_t nSize = 0;
    if (!file || !file.GetSize(nSize))
        return ReadFault::CannotOpen;
    if (nSize > nMaxBytes || nSize > SIZE_MAX)
        return ReadFault::TooLarge;
    try {
        bytes.resize(static_cast<size_t>(nSize));
    } catch (const std::bad_alloc&) {
        return ReadFault::OutOfMemory;
    }
    return file.ReadAt(0, bytes.data(), bytes.size()) ? ReadFault::None : ReadFault::ShortRead;
}

bool WriteWholeFile(const wchar_t* pszPath, const std::vector<uint8_t>& bytes) {
    return WriteWhole(pszPath, bytes, false, kOneRequest);
}

bool WriteFileDurably(const wchar_t* pszPath, const std::vector<uint8_t>& bytes, size_t nRequestBytes) {
    return WriteWhole(pszPath, bytes, true, nRequestBytes);
}

int RenameToFreeName(const std::wstring& from, int nFirst, int nLast, const std::function<std::wstring(int)>& nameOf) {
    for (int n = nFirst; n <= nLast; ++n) {
        const std::wstring to = nameOf(n);
        // without MOVEFILE_REPLACE_EXISTING the rename fails on a taken name
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
            return n;
        const DWORD dwError = ::GetLastError();
        if (dwError != ERROR_ALREADY_EXISTS && dwError != ERROR_FILE_EXISTS)
            return kRenameFailed;
    }
    return kEveryNameTaken;
}
