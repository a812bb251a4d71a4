#include "Log.h"

#include "Handle.h"
#include "LogFormat.h"

#include <cstdarg>
#include <cwchar>

namespace {

// the camera's streaming thread and the record keeper log too
SRWLOCK g_logLock = SRWLOCK_INIT;
// Logs\Velmo.log, found at start-up for the crash path
wchar_t g_szCrashLogPath[MAX_PATH] = L"";

CHandle OpenForAppend(const wchar_t* pszPath) {
    // FILE_APPEND_DATA alone: every write lands at the end, even from two processes
    // or beside a crash that writes without the lock
    return CHandle(::CreateFileW(pszPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void Rotate(const std::wstring& folder) {
    for (int n = kLogFilesKept; n >= 1; --n)
        ::MoveFileExW((folder + LogFileName(n - 1)).c_str(), (folder + LogFileName(n)).c_str(),
                      MOVEFILE_REPLACE_EXISTING);
}

// A file that another program holds without sharing deletion cannot be
// renamed: its text moves to the newest older file and it starts again empty.
bool EmptyInPlace(const std::wstring& folder) {
    const std::wstring path = folder + LogFileName(0);
    ::CopyFileW(path.c_str(), (folder + LogFileName(1)).c_str(), FALSE);
    CHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ::SetEndOfFile(file.Get());
}

bool IsFull(HANDLE hFile, size_t lineBytes) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(hFile, &size) && LogNeedsRotation(static_cast<uint64_t>(size.QuadPart), lineBytes);
}

void AppendLine(const std::string& line) {
    const std::wstring folder = ProgramFolder() + L"Logs\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + LogFileName(0);
    CHandle file = OpenForAppend(path.c_str());
    if (!file)
        return;
    if (IsFull(file.Get(), line.size())) {
        file.Reset();
        Rotate(folder);
        file = OpenForAppend(path.c_str());
        if (file && IsFull(file.Get(), line.size())) {
            file.Reset();
            if (EmptyInPlace(folder))
                file = OpenForAppend(path.c_str());
        }
        // a line is lost rather than the log left to grow without end
        if (!file)
            return;
    }
    // one write per line: a crash loses at most the line being written
    DWORD nWritten = 0;
    ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &nWritten, nullptr);
}

void FormatText(wchar_t* szText, size_t cch, const wchar_t* pszFormat, va_list args) {
    const int n = _vsnwprintf(szText, cch - 1, pszFormat, args);
    // a longer text is cut, not lost
    szText[n < 0 ? cch - 1 : static_cast<size_t>(n)] = L'\0';
}

LogTime LocalNow() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

} // namespace

std::wstring ProgramFolder() {
    wchar_t szPath[MAX_PATH] = L"";
    const DWORD n = ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring path(szPath, n < MAX_PATH ? n : 0);
    return path.substr(0, path.rfind(L'\\') + 1);
}

void LogEvent(const wchar_t* pszFormat, ...) {
    const DWORD dwLastError = ::GetLastError();
    wchar_t szText[1024];
    va_list args;
    va_start(args, pszFormat);
    FormatText(szText, ARRAYSIZE(szText), pszFormat, args);
    va_end(args);
    const std::string line = FormatLogLine(LocalNow(), szText);
    ::AcquireSRWLockExclusive(&g_logLock);
    AppendLine(line);
    ::ReleaseSRWLockExclusive(&g_logLock);
    ::SetLastError(dwLastError);
}

void PrepareCrashLog() {
    const std::wstring path = ProgramFolder() + L"Logs\\" + LogFileName(0);
    if (path.size() < MAX_PATH)
        wcscpy(g_szCrashLogPath, path.c_str());
}

void LogCrashEvent(const wchar_t* pszFormat, ...) {
    if (!g_szCrashLogPath[0])
        return;
    wchar_t szText[512];
    va_list args;
    va_start(args, pszFormat);
    FormatText(szText, ARRAYSIZE(szText), pszFormat, args);
    va_end(args);
    char line[2048];
    const size_t nLine = FormatLogLineTo(line, sizeof(line), LocalNow(), szText);
    CHandle file = OpenForAppend(g_szCrashLogPath);
    DWORD nWritten = 0;
    if (file)
        ::WriteFile(file.Get(), line, static_cast<DWORD>(nLine), &nWritten, nullptr);
}

std::wstring DescribeError(DWORD dwError) {
    std::wstring text = L"error " + std::to_wstring(dwError);
    wchar_t szMessage[256] = L"";
    if (::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError, 0, szMessage,
                         ARRAYSIZE(szMessage), nullptr)) {
        std::wstring message = szMessage;
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
            message.pop_back();
        text += L": " + message;
    }
    return text;
}
