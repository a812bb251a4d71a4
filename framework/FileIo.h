// Files in and out: read a file whole within a size limit, write one whole
// (durably when it must survive a power cut), and rename a finished file to
// the first free numbered name without replacing anything.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Handle.h"

// The most one read or write request moves. A local file goes in one
// request, the quickest way; some network shares fail large requests, so
// what goes to and from a share goes in pieces.
constexpr size_t kOneRequest = 0xFFFFFFFF;
constexpr size_t kShareRequestBytes = 1 << 20;

// A file opened for reading; meanwhile others may do what dwShare allows.
class CFileReader {
public:
    CFileReader(const wchar_t* pszPath, DWORD dwShare, size_t nRequestBytes = kOneRequest);

    explicit operator bool() const { return static_cast<bool>(m_file); }
    // False when the system cannot say.
    bool GetSize(uint64_t& nBytes) const;
    // Exactly n bytes from offset; false when fewer arrive.
    bool ReadAt(uint64_t offset, void* p, size_t n);

private:
    CHandle m_file;
    size_t m_nRequestBytes;
};

enum class ReadFault {
    None,
    CannotOpen, // missing, locked, or of unknown size
    TooLarge,   // longer than the caller's limit
    OutOfMemory,
    ShortRead, // fewer bytes arrived than the file holds
};

// The whole file, when it is at most nMaxBytes long. A failed open or read
// leaves its last error.
ReadFault ReadWholeFile(const wchar_t* pszPath, uint64_t nMaxBytes, std::vector<uint8_t>& bytes,
                        DWORD dwShare = FILE_SHARE_READ, size_t nRequestBytes = kOneRequest);

// The bytes as the whole file, replacing a file of that name. A file that
// could not be written whole is removed again; false leaves the failure's
// last error.
bool WriteWholeFile(const wchar_t* pszPath, const std::vector<uint8_t>& bytes);
// The same, flushed to the disk before it returns.
bool WriteFileDurably(const wchar_t* pszPath, const std::vector<uint8_t>& bytes, size_t nRequestBytes = kOneRequest);

// What RenameToFreeName says when the file kept its name.
constexpr int kEveryNameTaken = 0; // the last error says the name exists, when one was tried
constexpr int kRenameFailed = -1;  // the last error says why

// Renames the finished file `from` to nameOf(n) for the first n from nFirst
// to nLast whose name is free, written through to the disk. A file already
// there is never replaced. The n whose name it took, or one of the above.
int RenameToFreeName(const std::wstring& from, int nFirst, int nLast, const std::function<std::wstring(int)>& nameOf);
