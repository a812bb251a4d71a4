#include "framework/FileIo.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>

namespace {

CHandle CreateForWriting(const wchar_t* pszPath) {
    return CHandle(::CreateFileW(pszPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool WriteAll(HANDLE hFile, const uint8_t* p, size_t n, size_t nRequestBytes) {
    for (size_t done = 0; done < n;) {
        DWORD nWritten = 0;
        const DWORD nWant = static_cast<DWORD>(std::min({nRequestBytes, kOneRequest, n - done}));
        if (!::WriteFile(hFile, p + done, nWant, &nWritten, nullptr) || nWritten != nWant)
            return false;
        done += nWant;
    }
    return true;
}

// Closes and removes a file that was not written whole, keeping the error.
void Discard(CHandle& file, const wchar_t* pszPath) {
    const DWORD dwError = ::GetLastError();
    file.Reset();
    ::DeleteFileW(pszPath); // a cut file must not pass for a whole one
    ::SetLastError(dwError);
}

bool WriteWhole(const wchar_t* pszPath, const std::vector<uint8_t>& bytes, bool bFlush, size_t nRequestBytes) {
    CHandle file = CreateForWriting(pszPath);
    if (!file)
        return false;
    if (WriteAll(file.Get(), bytes.data(), bytes.size(), nRequestBytes) && (!bFlush || ::FlushFileBuffers(file.Get())))
        return true;
    Discard(file, pszPath);
    return false;
}

struct FileIdentity {
    uint64_t volume;
    uint8_t id[16];
    bool operator==(const FileIdentity&) const = default;
};

// FileIdInfo (18) is declared only for Windows 8 and later; earlier systems
// refuse it and the 64-bit index serves.
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

std::optional<FileIdentity> IdentityOf(HANDLE h, bool bFileIdInfo) {
    FileIdentity identity{};
    if (bFileIdInfo) {
        struct {
            ULONGLONG VolumeSerialNumber;
            BYTE FileId[16];
        } info{};
        if (!::GetFileInformationByHandleEx(h, kFileIdInfo, &info, sizeof(info)))
            return std::nullopt;
        identity.volume = info.VolumeSerialNumber;
        std::memcpy(identity.id, info.FileId, sizeof(identity.id));
        return identity;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info))
        return std::nullopt;
    identity.volume = info.dwVolumeSerialNumber;
    const uint64_t index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    std::memcpy(identity.id, &index, sizeof(index));
    return identity;
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

CFileStreamer::CFileStreamer(size_t nRequestBytes)
    : m_nRequestBytes(std::min(nRequestBytes, kOneRequest)), m_first(m_nRequestBytes), m_second(m_nRequestBytes) {}

CFileStreamer::Sameness CFileStreamer::Compare(const wchar_t* pszFirst, const wchar_t* pszSecond, DWORD dwShare) {
    CFileReader first(pszFirst, dwShare, m_nRequestBytes);
    uint64_t nSize = 0;
    if (!first || !first.GetSize(nSize))
        return Sameness::FirstUnreadable;
    CFileReader second(pszSecond, dwShare, m_nRequestBytes);
    uint64_t nSecondSize = 0;
    if (!second || !second.GetSize(nSecondSize))
        return Sameness::SecondUnreadable;
    if (nSize != nSecondSize)
        return Sameness::Different;
    for (uint64_t offset = 0; offset < nSize;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(m_nRequestBytes, nSize - offset));
        if (!first.ReadAt(offset, m_first.data(), n))
            return Sameness::FirstUnreadable;
        if (!second.ReadAt(offset, m_second.data(), n))
            return Sameness::SecondUnreadable;
        if (std::memcmp(m_first.data(), m_second.data(), n) != 0)
            return Sameness::Different;
        offset += n;
    }
    return Sameness::Same;
}

CFileStreamer::CopyFault CFileStreamer::CopyDurably(const wchar_t* pszFrom, const wchar_t* pszTo, DWORD dwShareFrom) {
    CFileReader from(pszFrom, dwShareFrom, m_nRequestBytes);
    uint64_t nSize = 0;
    if (!from || !from.GetSize(nSize))
        return CopyFault::Source;
    CHandle to = CreateForWriting(pszTo);
    if (!to)
        return CopyFault::Target;
    for (uint64_t offset = 0; offset < nSize;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(m_nRequestBytes, nSize - offset));
        if (!from.ReadAt(offset, m_first.data(), n)) {
            Discard(to, pszTo);
            return CopyFault::Source;
        }
        if (!WriteAll(to.Get(), m_first.data(), n, m_nRequestBytes)) {
            Discard(to, pszTo);
            return CopyFault::Target;
        }
        offset += n;
    }
    if (::FlushFileBuffers(to.Get()))
        return CopyFault::None;
    Discard(to, pszTo);
    return CopyFault::Target;
}

bool IsSameFile(const wchar_t* pszFirst, const wchar_t* pszSecond) {
    // folders open only with backup semantics; reading attributes needs no right to the contents
    const auto open = [](const wchar_t* pszPath) {
        return CHandle(::CreateFileW(pszPath, FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    };
    const CHandle first = open(pszFirst), second = open(pszSecond);
    if (!first || !second)
        return false;
    // both by the same method: the two kinds of id are not comparable
    for (const bool bFileIdInfo : {true, false}) {
        const std::optional<FileIdentity> a = IdentityOf(first.Get(), bFileIdInfo);
        const std::optional<FileIdentity> b = IdentityOf(second.Get(), bFileIdInfo);
        if (a && b)
            return *a == *b;
    }
    return false;
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
