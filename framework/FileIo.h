// Files in and out: read a file whole within a size limit, write one whole
// (durably when it must survive a power cut), copy and compare files piece by
// piece in bounded memory, rename a finished file to the first free numbered
// name without replacing anything, and tell whether two paths reach one file.
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

// Copies and compares files in pieces of nRequestBytes through two buffers
// made once, so memory stays bounded whatever size the files have.
class CFileStreamer {
public:
    explicit CFileStreamer(size_t nRequestBytes = kShareRequestBytes);

    enum class Sameness {
        Same,
        Different,
        FirstUnreadable, // missing, locked, cut short meanwhile: the last error says which
        SecondUnreadable,
    };
    // Whether the two files hold the same bytes: their sizes first, then every
    // piece, each file through a handle of its own. Others may do what
    // dwShare allows meanwhile.
    Sameness Compare(const wchar_t* pszFirst, const wchar_t* pszSecond, DWORD dwShare);

    enum class CopyFault { None, Source, Target }; // the last error says why
    // Copies the file to pszTo, replacing a file of that name, and flushes it
    // to the disk. A target that was not written whole is removed again.
    CopyFault CopyDurably(const wchar_t* pszFrom, const wchar_t* pszTo, DWORD dwShareFrom);

private:
    size_t m_nRequestBytes;
    std::vector<uint8_t> m_first, m_second;
};

// Whether both paths reach the same existing file or folder, by its volume
// and file id rather than by its name: a share, a mapped drive and a local
// path to one folder are alike. False when either cannot be opened.
bool IsSameFile(const wchar_t* pszFirst, const wchar_t* pszSecond);

// What RenameToFreeName says when the file kept its name.
constexpr int kEveryNameTaken = 0; // the last error says the name exists, when one was tried
constexpr int kRenameFailed = -1;  // the last error says why

// Renames the finished file `from` to nameOf(n) for the first n from nFirst
// to nLast whose name is free, written through to the disk. A file already
// there is never replaced. The n whose name it took, or one of the above.
int RenameToFreeName(const std::wstring& from, int nFirst, int nLast, const std::function<std::wstring(int)>& nameOf);
