#include "CrashHandler.h"

#include "CrashDumpFiles.h"
#include "framework/Handle.h"
#include "framework/Log.h"

#include <windows.h>

#include <dbghelp.h>

namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// resolved at start-up: loading a library inside a crashed process can hang on the loader lock
MiniDumpWriteDumpFn g_pfnWriteDump = nullptr;
LONG g_nCrashing = 0;

void LoadDbgHelp() {
    // from the system folder only: the program folder is writable by the kiosk account
    wchar_t szPath[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(szPath, MAX_PATH - 16);
    if (n == 0 || n >= MAX_PATH - 16)
        return;
    wcscat(szPath, L"\\dbghelp.dll");
    if (HMODULE hDbgHelp = ::LoadLibraryW(szPath))
        g_pfnWriteDump = reinterpret_cast<MiniDumpWriteDumpFn>(
            reinterpret_cast<void*>(::GetProcAddress(hDbgHelp, "MiniDumpWriteDump")));
}

void RemoveOldDumps(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    CFindHandle find((folder + L"*.dmp").c_str(), data);
    if (find) {
        do
            names.push_back(data.cFileName);
        while (find.Next(data));
    }
    for (const std::wstring& name : CrashDumpsToRemove(std::move(names)))
        ::DeleteFileW((folder + name).c_str());
}

// The dump's file name, or empty when none could be written.
std::wstring WriteDump(EXCEPTION_POINTERS* pException) {
    if (!g_pfnWriteDump)
        return {};
    const std::wstring folder = ProgramFolder() + L"Crash\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    RemoveOldDumps(folder);
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    const std::wstring name = CrashDumpName(
        {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds}, ::GetCurrentProcessId());
    CHandle file(::CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!file)
        return {};
    MINIDUMP_EXCEPTION_INFORMATION info{::GetCurrentThreadId(), pException, FALSE};
    if (!g_pfnWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file.Get(), MiniDumpNormal, &info, nullptr,
                        nullptr)) {
        file.Reset();
        ::DeleteFileW((folder + name).c_str());
        return {};
    }
    return name;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pException) {
    // a second fault while this one is written (another thread, or in here) only passes on
    if (::InterlockedExchange(&g_nCrashing, 1) != 0)
        return EXCEPTION_CONTINUE_SEARCH;
    const EXCEPTION_RECORD* pRecord = pException ? pException->ExceptionRecord : nullptr;
    const std::wstring dump = WriteDump(pException);
    LogEvent(L"Crash: exception 0x%08lX at %p in thread %lu; dump %ls",
             pRecord ? static_cast<unsigned long>(pRecord->ExceptionCode) : 0UL,
             pRecord ? pRecord->ExceptionAddress : nullptr, ::GetCurrentThreadId(),
             dump.empty() ? L"could not be written" : (L"Crash\\" + dump).c_str());
    // the system's error reporting ends the process and restarts it
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void InstallCrashHandler() {
    LoadDbgHelp();
    ::SetUnhandledExceptionFilter(OnUnhandledException);
    // logon starts the kiosk after a reboot; the system restarts it after a crash or hang
    ::RegisterApplicationRestart(kRestartedSwitch, RESTART_NO_REBOOT);
}
