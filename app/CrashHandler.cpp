#include "CrashHandler.h"

#include "CrashDumpFiles.h"
#include "framework/Handle.h"
#include "framework/Log.h"

#include <dbghelp.h>

#include <csignal>
#include <cstdio>
#include <exception>

namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// Our own codes in the dumps: failures that are not exceptions of the processor.
constexpr DWORD kTerminateCode = 0xE0560001;
constexpr DWORD kAbortCode = 0xE0560002;
constexpr DWORD kHangCode = 0xE0560003;
// how long a faulting thread waits for the writer before the system's error reporting takes over
constexpr DWORD kWriterMs = 60000;

// Everything the crash path needs is ready before it runs: it allocates
// nothing, loads nothing and takes no lock a faulting thread might hold.
MiniDumpWriteDumpFn g_pfnWriteDump = nullptr;
wchar_t g_szCrashFolder[MAX_PATH] = L"";
wchar_t g_szExePath[MAX_PATH] = L"";
bool g_bWasRestart = false;
ULONGLONG g_startMs = 0;
HANDLE g_hRequest = nullptr;
DWORD g_dwWriterThreadId = 0;
LONG g_nCrashing = 0;

struct CrashRequest {
    DWORD dwThreadId;
    EXCEPTION_POINTERS* pException; // null for a hang
    DWORD dwSilentMs;               // 0: the thread has ended
} g_request;

// A hung thread's state, taken while it stands still, as the dump's exception.
alignas(16) CONTEXT g_hungContext;
EXCEPTION_RECORD g_hungRecord;
EXCEPTION_POINTERS g_hungPointers;

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

[[noreturn]] void EndThisProcess(DWORD dwExitCode) {
    ::TerminateProcess(::GetCurrentProcess(), dwExitCode);
    for (;;)
        ::Sleep(INFINITE);
}

void* InstructionPointer(const CONTEXT& context) {
#if defined(__x86_64__) || defined(_M_X64)
    return reinterpret_cast<void*>(context.Rip);
#else
    return reinterpret_cast<void*>(context.Eip);
#endif
}

EXCEPTION_POINTERS* CaptureHungThread(DWORD dwThreadId) {
    CHandle thread(::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, dwThreadId));
    // it stays suspended: this process ends once the dump is written
    if (!thread || ::SuspendThread(thread.Get()) == static_cast<DWORD>(-1))
        return nullptr;
    g_hungContext.ContextFlags = CONTEXT_FULL;
    if (!::GetThreadContext(thread.Get(), &g_hungContext))
        return nullptr;
    g_hungRecord.ExceptionCode = kHangCode;
    g_hungRecord.ExceptionAddress = InstructionPointer(g_hungContext);
    g_hungPointers = {&g_hungRecord, &g_hungContext};
    return &g_hungPointers;
}

// The dump's name, or false when none could be written.
bool WriteDump(DWORD dwThreadId, EXCEPTION_POINTERS* pException, CrashDumpNameText& name) {
    if (!g_pfnWriteDump || !g_szCrashFolder[0])
        return false;
    ::CreateDirectoryW(g_szCrashFolder, nullptr);
    SYSTEMTIME st;
    ::GetSystemTime(&st);
    name = CrashDumpName({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds},
                         ::GetCurrentProcessId());
    wchar_t szPath[MAX_PATH + 64];
    std::swprintf(szPath, ARRAYSIZE(szPath), L"%ls%ls", g_szCrashFolder, name.data());
    CHandle file(::CreateFileW(szPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    MINIDUMP_EXCEPTION_INFORMATION info{dwThreadId, pException, FALSE};
    if (!g_pfnWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                        pException ? &info : nullptr, nullptr, nullptr)) {
        file.Reset();
        ::DeleteFileW(szPath);
        return false;
    }
    return true;
}

void LogFailure(const CrashRequest& request, const EXCEPTION_POINTERS* pException, const wchar_t* pszDump,
                bool bStartsAgain) {
    const wchar_t* pszAfter =
        bStartsAgain ? L"a fresh kiosk takes over" : L"not started again: it failed within a minute of its own restart";
    const DWORD dwCode = pException ? pException->ExceptionRecord->ExceptionCode : kHangCode;
    if (!request.pException && request.dwSilentMs == 0)
        LogCrashEvent(L"Crash: the user-interface thread %lu has ended; dump %ls; %ls", request.dwThreadId, pszDump,
                      pszAfter);
    else if (!request.pException)
        LogCrashEvent(L"Hang: the user-interface thread %lu has not answered for %lu s; dump %ls; %ls",
                      request.dwThreadId, request.dwSilentMs / 1000, pszDump, pszAfter);
    else if (dwCode == kTerminateCode || dwCode == kAbortCode)
        LogCrashEvent(L"Crash: %ls in thread %lu; dump %ls; %ls", dwCode == kAbortCode ? L"abort" : L"std::terminate",
                      request.dwThreadId, pszDump, pszAfter);
    else
        LogCrashEvent(L"Crash: exception 0x%08lX at %p in thread %lu; dump %ls; %ls", dwCode,
                      pException->ExceptionRecord->ExceptionAddress, request.dwThreadId, pszDump, pszAfter);
}

// A new kiosk that waits for this one to end (through an inherited handle),
// then takes over the one-kiosk check.
bool StartFreshKiosk() {
    HANDLE hSelf = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &hSelf, SYNCHRONIZE,
                           TRUE, 0))
        return false;
    wchar_t szCommand[MAX_PATH + 64];
    std::swprintf(szCommand, ARRAYSIZE(szCommand), L"\"%ls\" %ls:%llX", g_szExePath, kRestartedSwitch,
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hSelf)));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const BOOL bStarted =
        ::CreateProcessW(g_szExePath, szCommand, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    const DWORD dwError = ::GetLastError();
    ::CloseHandle(hSelf);
    if (bStarted) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::SetLastError(dwError);
    return bStarted;
}

[[noreturn]] DWORD WINAPI CrashWriter(void*) {
    ::WaitForSingleObject(g_hRequest, INFINITE);
    const CrashRequest request = g_request;
    EXCEPTION_POINTERS* pException = request.pException ? request.pException : CaptureHungThread(request.dwThreadId);
    CrashDumpNameText name{};
    wchar_t szDump[80] = L"could not be written";
    if (WriteDump(request.dwThreadId, pException, name))
        std::swprintf(szDump, ARRAYSIZE(szDump), L"Crash\\%ls", name.data());
    const bool bStartsAgain = StartsAgain(g_bWasRestart, ::GetTickCount64() - g_startMs);
    LogFailure(request, pException, szDump, bStartsAgain);
    if (bStartsAgain && !StartFreshKiosk())
        LogCrashEvent(L"Crash: a fresh kiosk could not be started (error %lu)", ::GetLastError());
    EndThisProcess(pException ? pException->ExceptionRecord->ExceptionCode : kHangCode);
}

// Hands the failure to the writer, which ends the process; returns only if
// it could not within kWriterMs.
void HandOver(const CrashRequest& request) {
    // the writer failing itself, or a crash path never prepared: nothing more to do here
    if (!g_hRequest || ::GetCurrentThreadId() == g_dwWriterThreadId)
        return;
    // the first failure is written; a second one waits while that happens
    if (::InterlockedExchange(&g_nCrashing, 1) == 0) {
        g_request = request;
        ::SetEvent(g_hRequest);
    }
    ::Sleep(kWriterMs);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pException) {
    HandOver({::GetCurrentThreadId(), pException, 0});
    // the writer could not finish: the system's error reporting ends the process
    return EXCEPTION_CONTINUE_SEARCH;
}

// std::terminate and abort take the same road as a fault, from where they were called.
[[noreturn]] void FailHere(DWORD dwCode) {
    CONTEXT context{};
    ::RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = dwCode;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = InstructionPointer(context);
    EXCEPTION_POINTERS pointers{&record, &context};
    OnUnhandledException(&pointers);
    EndThisProcess(dwCode);
}

void OnAbortSignal(int) {
    FailHere(kAbortCode);
}

} // namespace

void EndFailedKiosk(DWORD dwThreadId, DWORD dwSilentMs) {
    HandOver({dwThreadId, nullptr, dwSilentMs});
    // the writer could not finish: the hung kiosk ends all the same
    EndThisProcess(kHangCode);
}

void InstallCrashHandler(const StartRequest& start) {
    g_bWasRestart = start.bRestarted;
    g_startMs = ::GetTickCount64();
    PrepareCrashLog();
    const std::wstring folder = ProgramFolder() + L"Crash\\";
    if (folder.size() < MAX_PATH)
        wcscpy(g_szCrashFolder, folder.c_str());
    const DWORD n = ::GetModuleFileNameW(nullptr, g_szExePath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        g_szExePath[0] = L'\0';
    LoadDbgHelp();
    RemoveOldDumps(folder);
    g_hRequest = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (g_hRequest)
        ::CloseHandle(::CreateThread(nullptr, 0, CrashWriter, nullptr, 0, &g_dwWriterThreadId));
    ::SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate([] { FailHere(kTerminateCode); });
    std::signal(SIGABRT, OnAbortSignal);
    // room for the filter on this thread after its stack has overflowed
    ULONG cbReserve = 64 * 1024;
    ::SetThreadStackGuarantee(&cbReserve);
    // the last resort, should the crash path itself fail: Windows' error reporting restarts the kiosk
    ::RegisterApplicationRestart(kRestartedSwitch, RESTART_NO_REBOOT);
}
