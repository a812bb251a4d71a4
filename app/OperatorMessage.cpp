#include "OperatorMessage.h"

#include "framework/Handle.h"

#include <windows.h>

namespace {

bool WriteUtf8(HANDLE hOut, const std::wstring& text) {
    const int cb =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(cb > 0 ? cb : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), cb, nullptr, nullptr);
    DWORD nWritten = 0;
    return ::WriteFile(hOut, bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr) &&
           nWritten == bytes.size();
}

} // namespace

void TellOperator(const std::wstring& text, bool bProblem) {
    const std::wstring line = text + L"\r\n";
    // a pipe or file handed over by the starter (nsExec, a script's redirection)
    HANDLE hOut = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (hOut && hOut != INVALID_HANDLE_VALUE && ::GetFileType(hOut) != FILE_TYPE_CHAR &&
        ::GetFileType(hOut) != FILE_TYPE_UNKNOWN && WriteUtf8(hOut, line))
        return;
    // a command prompt: a program with windows has no console of its own
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        CHandle console(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD nWritten = 0;
        const bool bWritten = console && ::WriteConsoleW(console.Get(), line.c_str(), static_cast<DWORD>(line.size()),
                                                         &nWritten, nullptr);
        ::FreeConsole();
        if (bWritten)
            return;
    }
    ::MessageBoxW(nullptr, text.c_str(), L"Velmo",
                  MB_OK | MB_SETFOREGROUND | MB_TOPMOST | (bProblem ? MB_ICONSTOP : MB_ICONINFORMATION));
}
