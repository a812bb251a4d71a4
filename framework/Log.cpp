#include "Log.h"

#include "Handle.h"
#include "LogFormat.h"

#include <cstdarg>
#include <cwchar>

namespace {

// the camera's streaming thread and the crash handler log too
SRWLOCK g_logLock = SRWLOCK_INIT;

CHandle OpenForAppend(const std::wstring& path) {
    // FILE_APPEND_DATA alone: every write lands at the end, even from two processes
    return CHandle(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void Rotate(const std::wstring& folder) {
    for (int n = kLogFilesKept; n >= 1; --n)
        ::MoveFileExW((folder + LogFileName(n - 1)).c_str(), (folder + LogFileName(n)).c_str(),
                      MOVEFILE_REPLACE_EXISTING);
}

void AppendLine(const std::string& line) {
    const std::wstring folder = ProgramFolder() + L"Logs\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + LogFileName(0);
    CHandle file = OpenForAppend(path);
    if (!file)
        return;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.Get(), &size) && LogNeedsRotation(static_cast<uint64_t>(size.QuadPart), line.size())) {
        file.Reset();
        Rotate(folder);
        file = OpenForAppend(path);
        if (!file)
            return;
    }
    // one write per line: a crash loses at most the line being written
    DWORD nWritten = 0;
    ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &nWritten, nullptr);
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
    const int n = _vsnwprintf(szText, ARRAYSIZE(szText) - 1, pszFormat, args);
    va_end(args);
    // a longer text is cut, not lost
    szText[n < 0 ? ARRAYSIZE(szText) - 1 : n] = L'\0';
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    const std::string line =
        FormatLogLine({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds}, szText);
    ::AcquireSRWLockExclusive(&g_logLock);
    AppendLine(line);
    ::ReleaseSRWLockExclusive(&g_logLock);
    ::SetLastError(dwLastError);
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
