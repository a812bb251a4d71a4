// Deployment and operation: the installer, one kiosk at a time, /stop, the
// log, what a crash or a hang leaves and how the kiosk comes back, and who
// may run it. The cases run in order against one install.
#include "Harness.h"

#include "app/StartRequest.h"
#include "framework/LogFormat.h"
#include "shell/Layout.h"

#include <lmcons.h>
#include <sddl.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace e2e;

namespace {

const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmo";
const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const kInstallKey = L"Software\\Velmo";

std::wstring KnownFolder(int csidl) {
    wchar_t szPath[MAX_PATH] = L"";
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, szPath);
    return szPath;
}

std::wstring InstallFolder() {
    return KnownFolder(CSIDL_COMMON_APPDATA) + L"\\Velmo";
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The exit code, or STILL_ACTIVE when it did not end in time; what it wrote
// to its standard output into *pOutput.
DWORD RunAndWait(std::wstring cmd, DWORD timeoutMs = 60000, std::string* pOutput = nullptr) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (pOutput && ::CreatePipe(&hRead, &hWrite, &sa, 1 << 16)) {
        ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = hWrite;
    }
    PROCESS_INFORMATION pi{};
    const BOOL bStarted =
        ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, hWrite != nullptr, 0, nullptr, nullptr, &si, &pi);
    const DWORD dwError = ::GetLastError();
    if (hWrite)
        ::CloseHandle(hWrite);
    if (!bStarted)
        return dwError;
    ::CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    if (hRead) {
        char buffer[4096];
        DWORD n = 0;
        while (code != STILL_ACTIVE && ::ReadFile(hRead, buffer, sizeof(buffer), &n, nullptr) && n > 0)
            pOutput->append(buffer, n);
        ::CloseHandle(hRead);
    }
    return code;
}

DWORD RunSetup(const std::wstring& switches) {
    std::wstring setup = BuildProgramFolder();
    setup.resize(setup.rfind(L'\\') + 1);
    return RunAndWait(Quoted(setup + L"Velmo-Setup.exe") + L" /S" + switches);
}

bool Install(const std::wstring& switches = L"") {
    return RunSetup(switches) == 0 && Exists(InstallFolder() + L"\\Velmo.exe");
}

std::wstring InstalledVelmo() {
    return Quoted(InstallFolder() + L"\\Velmo.exe");
}

// A registry value (this program is 64-bit: the view the installer wrote); empty when missing.
std::wstring RegString(const wchar_t* pszKey, const wchar_t* pszValue) {
    wchar_t szData[1024] = L"";
    DWORD cb = sizeof(szData);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, pszKey, pszValue, RRF_RT_REG_SZ, nullptr, szData, &cb) != ERROR_SUCCESS)
        return {};
    return szData;
}

bool KeyExists(const wchar_t* pszKey) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, pszKey, 0, KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

std::string ReadLog() {
    const std::vector<uint8_t> bytes = ReadFileBytes(InstallFolder() + L"\\Logs\\Velmo.log");
    return std::string(bytes.begin(), bytes.end());
}

// Setup.log: what the installer ran for the permissions, one step a line (UTF-16).
std::wstring ReadSetupLog() {
    const std::vector<uint8_t> bytes = ReadFileBytes(InstallFolder() + L"\\Setup.log");
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
}

bool Has(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

bool LogHas(const std::string& text) {
    return ReadLog().find(text) != std::string::npos;
}

int CountProcesses(const wchar_t* pszExe) {
    int n = 0;
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(hSnap, &entry); more; more = ::Process32NextW(hSnap, &entry))
        n += _wcsicmp(entry.szExeFile, pszExe) == 0;
    ::CloseHandle(hSnap);
    return n;
}

BOOL CALLBACK CountLauncher(HWND hWnd, LPARAM lParam) {
    wchar_t szTitle[16] = L"";
    ::GetWindowTextW(hWnd, szTitle, 16);
    *reinterpret_cast<int*>(lParam) += wcscmp(szTitle, L"HideDlg") == 0;
    return TRUE;
}

int CountLaunchers() {
    int n = 0;
    ::EnumWindows(CountLauncher, reinterpret_cast<LPARAM>(&n));
    return n;
}

std::wstring OwnSid() {
    HANDLE hToken = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken);
    BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    DWORD cb = 0;
    wchar_t* pszSid = nullptr;
    if (hToken && ::GetTokenInformation(hToken, TokenUser, user, sizeof(user), &cb))
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &pszSid);
    std::wstring sid = pszSid ? pszSid : L"";
    ::LocalFree(pszSid);
    if (hToken)
        ::CloseHandle(hToken);
    return sid;
}

void SetInstallValue(const wchar_t* pszValue, const std::wstring& data) {
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kInstallKey, pszValue, REG_SZ, data.c_str(),
                      static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

// /stop from this account, as the operator or the uninstaller runs it.
DWORD StopKiosk(std::string* pOutput = nullptr) {
    std::string output;
    const DWORD code = RunAndWait(InstalledVelmo() + L" /stop", 60000, pOutput ? pOutput : &output);
    return code;
}

// The launcher of a kiosk other than process oldPid, once one has come up.
DWORD WaitForFreshKiosk(DWORD oldPid, DWORD timeoutMs) {
    HWND hLauncher = nullptr;
    WaitUntil(
        [&] {
            hLauncher = FindTopLevelWindow(
                [&](HWND h) { return TitleOf(h) == L"HideDlg" && ProcessOf(h) != oldPid && IsShown(h); });
            return hLauncher != nullptr;
        },
        timeoutMs);
    return hLauncher ? ProcessOf(hLauncher) : 0;
}

// Makes the kiosk's user-interface thread recurse until its stack runs out,
// with a few bytes of code and its own context: no hook in Velmo.exe needed.
bool OverflowUiStack(const CKiosk& kiosk) {
    const DWORD tid = ::GetWindowThreadProcessId(kiosk.Popup(), nullptr);
    HANDLE hThread = ::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, tid);
    void* pCode = ::VirtualAllocEx(kiosk.Process(), nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    const unsigned char callItself[] = {0xE8, 0xFB, 0xFF, 0xFF, 0xFF}; // call $
    bool bDone = hThread && pCode &&
                 ::WriteProcessMemory(kiosk.Process(), pCode, callItself, sizeof(callItself), nullptr) &&
                 ::SuspendThread(hThread) != static_cast<DWORD>(-1);
    if (bDone) {
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        bDone = ::GetThreadContext(hThread, &context);
        context.Rip = reinterpret_cast<DWORD64>(pCode);
        bDone = bDone && ::SetThreadContext(hThread, &context);
        ::ResumeThread(hThread);
    }
    if (hThread)
        ::CloseHandle(hThread);
    return bDone;
}

void PressSave() {
    const LayoutRect rc = ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3];
    Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

} // namespace

E2E_TEST(SilentInstallRegistersTheKiosk) {
    // whatever an earlier run left behind, records included
    DeleteTree(InstallFolder());
    REQUIRE(Install());
    const std::wstring folder = InstallFolder();
    for (const wchar_t* name :
         {L"\\Config.ini", L"\\Picture\\PadMsg.png", L"\\Picture\\Show.png", L"\\SignIn", L"\\Uninstall.exe"})
        CHECK(Exists(folder + name));
    CHECK(RegString(kUninstallKey, L"DisplayName") == L"Velmo");
    CHECK(RegString(kUninstallKey, L"DisplayVersion") == VELMO_VERSION);
    CHECK(RegString(kUninstallKey, L"UninstallString") == Quoted(folder + L"\\Uninstall.exe"));
    CHECK(RegString(kUninstallKey, L"QuietUninstallString") == Quoted(folder + L"\\Uninstall.exe") + L" /S");
    CHECK(Exists(KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Velmo.lnk"));
    // no logon entry for every account; without a kiosk account named, none at all
    CHECK(RegString(kRunKey, L"Velmo").empty());
    CHECK(RegString(kInstallKey, L"InstallLocation") == folder);
    CHECK(RegString(kInstallKey, L"KioskSid").empty());
    // a new kiosk starts locked down
    CHECK_EQ(::GetPrivateProfileIntW(L"Kiosk", L"Lockdown", 0, (folder + L"\\Config.ini").c_str()), 1u);
    // the permission steps as run (Wine enforces none of them): records, log and dumps writable in, not replaceable
    const std::wstring steps = ReadSetupLog();
    CHECK(Has(steps, L"icacls \"" + folder +
                         L"\\SignIn\" /L /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F "
                         L"*S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(RX,WD) -> 0"));
    CHECK(Has(steps, L"icacls \"" + folder + L"\\Logs\" /L /grant *S-1-5-32-545:(OI)(IO)M -> 0"));
    CHECK(Has(steps, L"icacls \"" + folder +
                         L"\\photo.bmp\" /L /inheritance:r /grant:r *S-1-5-18:F "
                         L"*S-1-5-32-544:F *S-1-5-32-545:(RX,W) -> 0"));
}

E2E_TEST(SecondStartBringsTheRunningKioskForward) {
    REQUIRE(Exists(InstallFolder() + L"\\Velmo.exe") || Install());
    CKiosk kiosk(CKiosk::Installed{}, InstallFolder());
    REQUIRE(kiosk.Popup());
    CHECK(LogHas("started: screen " + std::to_string(ScreenWidth()) + "x" + std::to_string(ScreenHeight())));
    CHECK_EQ(RunAndWait(Quoted(InstallFolder() + L"\\Velmo.exe"), 20000), 0ul);
    CHECK_EQ(CountProcesses(L"Velmo.exe"), 1);
    CHECK_EQ(CountLaunchers(), 1);
    CHECK(IsShown(kiosk.Popup()));
    CHECK(LogHas("Second start: brought the running kiosk forward"));
}

E2E_TEST(SavesAndFailedSavesAreLogged) {
    REQUIRE(Exists(InstallFolder() + L"\\Velmo.exe") || Install());
    CKiosk kiosk(CKiosk::Installed{}, InstallFolder());
    REQUIRE(kiosk.Popup());
    REQUIRE(kiosk.ShowPage());
    const DWORD firstPress = ::GetTickCount();
    PressSave();
    CHECK(WaitUntil([] { return LogHas(" bytes in "); }, 5000));
    const std::string log = ReadLog();
    const size_t at = log.find("Saved SignIn\\");
    REQUIRE(at != std::string::npos);
    std::printf("  %s\n", log.substr(at, log.find('\r', at) - at).c_str());
    CHECK_EQ(FileNamesIn(InstallFolder() + L"\\SignIn", L"*.bmp").size(), size_t{1});

    // a file where the record folder should be: the save fails, and says why
    const std::wstring signIn = InstallFolder() + L"\\SignIn";
    REQUIRE(::MoveFileW(signIn.c_str(), (signIn + L".kept").c_str()));
    REQUIRE(WriteTextFile(signIn, "not a folder"));
    // presses within a second of an accepted save count as one
    WaitUntil([&] { return ::GetTickCount() - firstPress > 1200; });
    PressSave();
    CHECK(WaitUntil([] { return LogHas("Save failed: SignIn\\"); }, 5000));
    ::DeleteFileW(signIn.c_str());
    CHECK(::MoveFileW((signIn + L".kept").c_str(), signIn.c_str()));
}

E2E_TEST(StopEndsTheKioskCleanly) {
    REQUIRE(Exists(InstallFolder() + L"\\Velmo.exe") || Install());
    CKiosk kiosk(CKiosk::Installed{}, InstallFolder());
    REQUIRE(kiosk.Popup());
    // the history open over the page: two modal loops to end, neither by a key or a close
    REQUIRE(kiosk.ShowPage());
    const LayoutRect rc = ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[0];
    Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    HWND hHistory = nullptr;
    CHECK(WaitUntil([&] { return (hHistory = FindOwnedWindow(kiosk.Main())) != nullptr; }));
    // a new install is locked down: no key and no close from outside ends either
    Key(VK_ESCAPE);
    KeyDown(VK_MENU);
    Key(VK_F4);
    KeyUp(VK_MENU);
    for (HWND hWnd : {hHistory, kiosk.Main()})
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
    CHECK(SyncWith(hHistory) && SyncWith(kiosk.Main()));
    CHECK(IsShown(hHistory) && IsShown(kiosk.Main()));
    const DWORD start = ::GetTickCount();
    std::string output;
    CHECK_EQ(StopKiosk(&output), DWORD{kExitNoKioskRuns});
    CHECK(kiosk.HasExited(5000 - std::min<DWORD>(::GetTickCount() - start, 5000)));
    std::printf("  /stop: %s  ended after %lu ms\n", output.c_str(), ::GetTickCount() - start);
    CHECK(output.find("has ended") != std::string::npos);
    CHECK_EQ(kiosk.ExitCode(), 0ul);
    CHECK(LogHas("Stop: asked to end by Velmo.exe /stop"));
    CHECK(LogHas(" ended after "));
    output.clear();
    CHECK_EQ(StopKiosk(&output), DWORD{kExitNoKioskRuns});
    CHECK(output.find("No Velmo kiosk is running") != std::string::npos);
}

E2E_TEST(FaultsAndHangsLeaveADumpAndAFreshKiosk) {
    REQUIRE(Exists(InstallFolder() + L"\\Velmo.exe") || Install());
    const std::wstring crash = InstallFolder() + L"\\Crash";
    // six older dumps: only the newest five stay
    ::CreateDirectoryW(crash.c_str(), nullptr);
    for (int n = 1; n <= 6; ++n)
        WriteTextFile(crash + L"\\Velmo-20000101-00000" + std::to_wstring(n) + L"-1.dmp", "old");
    if (RunningUnderWine()) {
        // should the crash path fail, Wine's debugger would hold the kiosk behind a dialog
        HKEY hKey = nullptr;
        const DWORD dwShow = 0;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineDbg", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &hKey, nullptr) == ERROR_SUCCESS) {
            ::RegSetValueExW(hKey, L"ShowCrashDialog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwShow),
                             sizeof(dwShow));
            ::RegCloseKey(hKey);
        }
    }
    struct Case {
        const char* name;
        const char* logLine;
        DWORD timeoutMs;
        bool (*inject)(const CKiosk&);
        // Wine ends a thread whose stack overflows before any filter runs: the watchdog sees it end
        const char* wineLogLine = nullptr;
        bool bHung = false;
    };
    const Case cases[] = {
        {"a thread that starts where nothing is", "Crash: exception 0xC0000005", 60000,
         [](const CKiosk& kiosk) {
             HANDLE hThread = ::CreateRemoteThread(
                 kiosk.Process(), nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<uintptr_t>(0x10)),
                 nullptr, 0, nullptr);
             return hThread && ::CloseHandle(hThread);
         }},
        // the C runtime's abort, which std::terminate calls too, in a thread of the kiosk
        {"abort", "Crash: abort in thread", 60000,
         [](const CKiosk& kiosk) {
             // system libraries sit at the same address in every process
             void* pAbort = reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"msvcrt.dll"), "abort"));
             HANDLE hThread =
                 pAbort ? ::CreateRemoteThread(kiosk.Process(), nullptr, 0,
                                               reinterpret_cast<LPTHREAD_START_ROUTINE>(pAbort), nullptr, 0, nullptr)
                        : nullptr;
             return hThread && ::CloseHandle(hThread);
         }},
        {"the user-interface thread's stack overflows", "Crash: exception 0xC00000FD", 60000, OverflowUiStack,
         "Crash: the user-interface thread"},
        // blocked forever in the middle of a message: the watchdog gives it 30 s
        {"the user-interface thread stops", "Hang: the user-interface thread", 90000,
         [](const CKiosk& kiosk) {
             HANDLE hThread =
                 ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, ::GetWindowThreadProcessId(kiosk.Popup(), nullptr));
             return hThread && ::SuspendThread(hThread) != static_cast<DWORD>(-1) && ::CloseHandle(hThread);
         },
         nullptr, true},
    };
    for (const Case& c : cases) {
        std::printf("  %s\n", c.name);
        const char* pszLogLine = RunningUnderWine() && c.wineLogLine ? c.wineLogLine : c.logLine;
        const size_t nLogBefore = ReadLog().size();
        CKiosk kiosk(CKiosk::Installed{}, InstallFolder());
        REQUIRE(kiosk.Popup());
        const DWORD oldPid = ProcessOf(kiosk.Popup());
        std::optional<CKeyWindow> keys;
        if (c.bHung) {
            keys.emplace();
            REQUIRE(keys->Activate());
        }
        REQUIRE(c.inject(kiosk));
        if (c.bHung) {
            // the locked kiosk's key guard has a thread of its own: a hung page holds up no key anywhere
            double slowestMs = 0;
            for (WORD vk : {'A', 'B', 'C'}) {
                const double sentAt = NowMs();
                Key(vk);
                CHECK(WaitUntil([&] { return keys->Got(vk); }, 5000));
                slowestMs = std::max(slowestMs, NowMs() - sentAt);
            }
            std::printf("  keys to another program while the page hangs: the slowest in %.0f ms\n", slowestMs);
            CHECK(slowestMs < 500);
            Key(VK_LWIN);
            Key('D');
            CHECK(WaitUntil([&] { return keys->Got('D'); }, 5000) && !keys->Got(VK_LWIN));
            keys.reset();
        }
        CHECK(WaitUntil([&] { return ReadLog().find(pszLogLine, nLogBefore) != std::string::npos; }, c.timeoutMs));
        CHECK(kiosk.HasExited(10000));
        // a fresh kiosk takes over, and then keeps only the newest dumps
        const DWORD freshPid = WaitForFreshKiosk(oldPid, 20000);
        CHECK(freshPid != 0);
        const std::string log = ReadLog().substr(nLogBefore);
        CHECK(log.find("a fresh kiosk takes over") != std::string::npos);
        CHECK(log.find("started again after a fault or a hang") != std::string::npos);
        const size_t at = log.find(pszLogLine);
        if (at != std::string::npos)
            std::printf("  %s\n", log.substr(at, log.find('\r', at) - at).c_str());
        CHECK(freshPid != 0 && StopKiosk() == DWORD{kExitNoKioskRuns});
    }
    const std::vector<std::wstring> dumps = FileNamesIn(crash, L"Velmo-*.dmp");
    CHECK_EQ(dumps.size(), size_t{5});
    // four new dumps: of the six old ones, only the newest stays
    for (int n = 1; n <= 6; ++n)
        CHECK(Exists(crash + L"\\Velmo-20000101-00000" + std::to_wstring(n) + L"-1.dmp") == (n == 6));
    int nDumps = 0;
    for (const std::wstring& name : dumps) {
        const std::vector<uint8_t> bytes = ReadFileBytes(crash + L"\\" + name);
        nDumps += bytes.size() > 4 && std::string(bytes.begin(), bytes.begin() + 4) == "MDMP";
    }
    CHECK_EQ(nDumps, 4);
}

E2E_TEST(LogStaysBoundedWhileAnotherProgramHoldsIt) {
    REQUIRE(Exists(InstallFolder() + L"\\Velmo.exe") || Install());
    const std::wstring logs = InstallFolder() + L"\\Logs\\";
    for (int n = 0; n <= kLogFilesKept; ++n)
        ::DeleteFileW((logs + LogFileName(n)).c_str());
    REQUIRE(WriteTextFile(logs + LogFileName(0), std::string(kLogCapBytes - 100, 'x')));
    // as a viewer that does not share deletion holds it: the file cannot be renamed
    HANDLE hHeld = ::CreateFileW((logs + LogFileName(0)).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(hHeld != INVALID_HANDLE_VALUE);
    {
        CKiosk kiosk(CKiosk::Installed{}, InstallFolder());
        CHECK(kiosk.Popup());
        CHECK(WaitUntil([] { return LogHas(" started: screen "); }));
        LARGE_INTEGER held{};
        ::GetFileSizeEx(hHeld, &held);
        CHECK(held.QuadPart < 4096); // the held file itself began again
        CHECK_EQ(ReadFileBytes(logs + LogFileName(1)).size(), size_t{kLogCapBytes - 100});
        StopKiosk();
    }
    ::CloseHandle(hHeld);
}

E2E_TEST(OnlyTheKioskAccountRunsTheKiosk) {
    REQUIRE(Exists(InstallFolder() + L"\\Velmo.exe") || Install());
    const std::wstring folder = InstallFolder(), config = folder + L"\\Config.ini";
    // an upgrade keeps the operator's settings
    REQUIRE(WriteTextFile(config, "[Time]\r\nMinTime=30000\r\n[Kiosk]\r\nLockdown=0\r\n"));
    CHECK_EQ(RunSetup(L" /KIOSKUSER=no-such-account-here"), 4ul);
    CHECK(RegString(kInstallKey, L"KioskSid").empty());
    wchar_t szUser[UNLEN + 1] = L"";
    DWORD cch = UNLEN + 1;
    REQUIRE(::GetUserNameW(szUser, &cch));
    const std::wstring sid = OwnSid();
    REQUIRE(Install(L" /KIOSKUSER=" + std::wstring(szUser)));
    CHECK_EQ(::GetPrivateProfileIntW(L"Kiosk", L"Lockdown", 1, config.c_str()), 0u);
    CHECK(RegString(kInstallKey, L"KioskAccount") == szUser);
    CHECK(RegString(kInstallKey, L"KioskSid") == sid);
    // the grants and the task name the account by its SID (Wine keeps neither: they are read back here)
    const std::wstring steps = ReadSetupLog();
    CHECK(Has(steps, L"\\SignIn\" /L /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *" + sid +
                         L":(RX,WD) -> 0"));
    CHECK(Has(steps, L"\\Crash\" /L /grant *" + sid + L":(OI)(IO)M -> 0"));
    CHECK(!Has(steps, L"S-1-5-32-545:(RX,W"));
    CHECK(Has(steps, L"schtasks /Create /TN \"Velmo\" /XML (user " + sid + L") -> 0"));

    // started elevated (as the tests are), or as another account: it says why and writes nothing
    const size_t nLog = ReadLog().size(), nDumps = FileNamesIn(folder + L"\\Crash", L"*.dmp").size();
    std::string output;
    CHECK_EQ(RunAndWait(InstalledVelmo(), 20000, &output), DWORD{kExitNotKioskAccount});
    std::printf("  elevated: %s", output.c_str());
    CHECK(output.find("does not run with administrator rights") != std::string::npos);
    SetInstallValue(L"KioskSid", L"S-1-5-21-1-2-3-4242");
    output.clear();
    CHECK_EQ(RunAndWait(InstalledVelmo(), 20000, &output), DWORD{kExitNotKioskAccount});
    std::printf("  another account: %s", output.c_str());
    CHECK(output.find("runs here only as the kiosk account " + std::string(szUser, szUser + wcslen(szUser))) !=
          std::string::npos);
    CHECK_EQ(ReadLog().size(), nLog);
    CHECK_EQ(FileNamesIn(folder + L"\\Crash", L"*.dmp").size(), nDumps);
    // a copy elsewhere is not the installed kiosk: its own folder, its own rules; /stop reaches it from here
    CKiosk copy;
    CHECK(copy.Popup());
    CHECK_EQ(StopKiosk(), DWORD{kExitNoKioskRuns});
    CHECK(copy.HasExited(5000));

    // none named again
    REQUIRE(Install(L" /KIOSKUSER="));
    CHECK(RegString(kInstallKey, L"KioskSid").empty());
    CHECK(Has(ReadSetupLog(), L"*S-1-5-32-545:(OI)(IO)M -> 0"));

    // a folder that is a link is refused before anything is written into it
    const std::wstring target = TempFolder(L"link-target"), link = TempFolder(L"link");
    ::RemoveDirectoryW(link.c_str());
    const DWORD attributes = ::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)
                                 ? ::GetFileAttributesW(link.c_str())
                                 : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CHECK_EQ(RunSetup(L" /D=" + link), 3ul);
        CHECK(FileNamesIn(target).empty());
        ::RemoveDirectoryW(link.c_str());
    } else {
        std::printf("  no symbolic link can be made here: the refusal of one is not shown\n");
    }
}

E2E_TEST(UninstallKeepsRecordsUnlessAsked) {
    const std::wstring folder = InstallFolder();
    REQUIRE(Exists(folder + L"\\Uninstall.exe"));
    const size_t nRecords = FileNamesIn(folder + L"\\SignIn", L"*.bmp").size();
    // the uninstaller runs from a copy of itself and returns at once: wait for its work
    REQUIRE(RunAndWait(Quoted(folder + L"\\Uninstall.exe") + L" /S") == 0);
    CHECK(WaitUntil([&] { return !Exists(folder + L"\\Uninstall.exe") && !KeyExists(kUninstallKey); }, 30000));
    for (const wchar_t* name : {L"\\Velmo.exe", L"\\Config.ini", L"\\Picture", L"\\Logs"})
        CHECK(!Exists(folder + name));
    CHECK(!KeyExists(kInstallKey));
    CHECK(!Exists(KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Velmo.lnk"));
    CHECK_EQ(FileNamesIn(folder + L"\\SignIn", L"*.bmp").size(), nRecords);

    // asked to: nothing of the kiosk stays
    REQUIRE(Install());
    REQUIRE(RunAndWait(Quoted(folder + L"\\Uninstall.exe") + L" /S /REMOVERECORDS") == 0);
    CHECK(WaitUntil([&] { return !Exists(folder); }, 30000));
}

E2E_TEST(FrontDeskInstallsAloneWithoutTheKiosk) {
    const std::wstring folder = InstallFolder();
    if (Exists(folder + L"\\Uninstall.exe")) {
        REQUIRE(RunAndWait(Quoted(folder + L"\\Uninstall.exe") + L" /S /REMOVERECORDS") == 0);
        REQUIRE(WaitUntil([&] { return !Exists(folder); }, 30000));
    }
    CHECK_EQ(RunSetup(L" /DESK"), 0ul);
    for (const wchar_t* name : {L"\\VelmoDesk.exe", L"\\Config.ini", L"\\Uninstall.exe", L"\\Logs"})
        CHECK(Exists(folder + name));
    for (const wchar_t* name : {L"\\Velmo.exe", L"\\Picture", L"\\SignIn", L"\\photo.bmp"})
        CHECK(!Exists(folder + name));
    const std::wstring menu = KnownFolder(CSIDL_COMMON_PROGRAMS);
    CHECK(Exists(menu + L"\\Velmo Desk.lnk"));
    CHECK(!Exists(menu + L"\\Velmo.lnk"));
    // no kiosk account, no task; whoever works the desk may write its log
    CHECK(RegString(kInstallKey, L"KioskSid").empty());
    const std::wstring steps = ReadSetupLog();
    CHECK(!Has(steps, L"schtasks"));
    CHECK(Has(steps, L"\\Logs\" /L /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F "
                     L"*S-1-5-32-545:(RX,WD) -> 0"));
    // it runs for this account (an administrator's), and says what it lacks
    std::string output;
    CHECK_EQ(RunAndWait(Quoted(folder + L"\\VelmoDesk.exe") + L" /export 2024-03-07 out", 20000, &output), 2ul);
    CHECK(output.find("No share folder is set") != std::string::npos);

    REQUIRE(RunAndWait(Quoted(folder + L"\\Uninstall.exe") + L" /S") == 0);
    CHECK(WaitUntil([&] { return !Exists(folder); }, 30000));
    CHECK(!Exists(menu + L"\\Velmo Desk.lnk"));
    CHECK(!KeyExists(kUninstallKey));
}
