// Deployment and operation: the installer, one kiosk at a time, the log and
// the evidence a crash leaves. The cases run in order against one install.
#include "Harness.h"

#include "shell/Layout.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>

using namespace e2e;

namespace {

const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmo";
const wchar_t* const kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

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

// The exit code, or STILL_ACTIVE when it did not end in time.
DWORD RunAndWait(std::wstring cmd, DWORD timeoutMs = 60000) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return ::GetLastError();
    ::CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    return code;
}

bool Install() {
    std::wstring setup = BuildProgramFolder();
    setup.resize(setup.rfind(L'\\') + 1);
    return RunAndWait(Quoted(setup + L"Velmo-Setup.exe") + L" /S") == 0 && Exists(InstallFolder() + L"\\Velmo.exe");
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
    CHECK(RegString(kRunKey, L"Velmo") == Quoted(folder + L"\\Velmo.exe"));
    CHECK(Exists(KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Velmo.lnk"));
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

E2E_TEST(FaultLeavesADumpAndALogLine) {
    REQUIRE(Exists(InstallFolder() + L"\\Velmo.exe") || Install());
    const std::wstring crash = InstallFolder() + L"\\Crash";
    // six older dumps: with the new one, only the newest five stay
    ::CreateDirectoryW(crash.c_str(), nullptr);
    for (int n = 1; n <= 6; ++n)
        WriteTextFile(crash + L"\\Velmo-20000101-00000" + std::to_wstring(n) + L"-1.dmp", "old");
    if (RunningUnderWine()) {
        // Wine's debugger would otherwise hold the faulted kiosk behind a dialog
        HKEY hKey = nullptr;
        const DWORD dwShow = 0;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineDbg", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &hKey, nullptr) == ERROR_SUCCESS) {
            ::RegSetValueExW(hKey, L"ShowCrashDialog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwShow),
                             sizeof(dwShow));
            ::RegCloseKey(hKey);
        }
    }
    CKiosk kiosk(CKiosk::Installed{}, InstallFolder());
    REQUIRE(kiosk.Popup());
    // a thread of the kiosk that starts at an address where nothing is
    HANDLE hThread = ::CreateRemoteThread(kiosk.Process(), nullptr, 0,
                                          reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<uintptr_t>(0x10)),
                                          nullptr, 0, nullptr);
    REQUIRE(hThread);
    ::CloseHandle(hThread);
    CHECK(WaitUntil([] { return LogHas("Crash: exception 0xC0000005"); }, 20000));
    const std::vector<std::wstring> dumps = FileNamesIn(crash, L"Velmo-*.dmp");
    CHECK_EQ(dumps.size(), size_t{5});
    CHECK(!Exists(crash + L"\\Velmo-20000101-000001-1.dmp") && !Exists(crash + L"\\Velmo-20000101-000002-1.dmp"));
    bool bFoundDump = false;
    for (const std::wstring& name : dumps) {
        const std::vector<uint8_t> bytes = ReadFileBytes(crash + L"\\" + name);
        bFoundDump |= bytes.size() > 4 && std::string(bytes.begin(), bytes.begin() + 4) == "MDMP";
    }
    CHECK(bFoundDump);
    // the system's error handling ends it; under Wine its debugger must finish first
    CHECK(kiosk.HasExited(30000));
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
    CHECK(RegString(kRunKey, L"Velmo").empty());
    CHECK(!Exists(KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\Velmo.lnk"));
    CHECK_EQ(FileNamesIn(folder + L"\\SignIn", L"*.bmp").size(), nRecords);

    // asked to: nothing of the kiosk stays
    REQUIRE(Install());
    REQUIRE(RunAndWait(Quoted(folder + L"\\Uninstall.exe") + L" /S /REMOVERECORDS") == 0);
    CHECK(WaitUntil([&] { return !Exists(folder); }, 30000));
}
