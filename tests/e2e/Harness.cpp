#include "Harness.h"

#include "framework/Handle.h"
#include "records/BmpFormat.h"
#include "records/RecordName.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <psapi.h>

namespace e2e {
namespace {

std::vector<TestCase>& Cases() {
    static std::vector<TestCase> cases;
    return cases;
}

const char* g_pszCurrent = "";
bool g_bFailed = false;

std::wstring Widen(const char* psz) {
    std::wstring s;
    while (*psz)
        s += static_cast<wchar_t>(*psz++);
    return s;
}

} // namespace

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(hFind, &data));
        ::FindClose(hFind);
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(folder.c_str());
}

void SendMouseInput(int x, int y, DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int cx = ScreenWidth(), cy = ScreenHeight();
    // rounded up so that Windows' and Wine's conversion back land on (x, y)
    in.mi.dx = static_cast<LONG>((static_cast<LONGLONG>(x) * 65536 + cx - 1) / cx);
    in.mi.dy = static_cast<LONG>((static_cast<LONGLONG>(y) * 65536 + cy - 1) / cy);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}

double NowMs() {
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::vector<std::wstring> FileNamesIn(const std::wstring& folder, const wchar_t* pszPattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((folder + L"\\" + pszPattern).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    std::sort(names.begin(), names.end());
    return names;
}

void CopyFolder(const std::wstring& from, const std::wstring& to) {
    ::CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((from + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyFolder(from + L"\\" + name, to + L"\\" + name);
        else
            ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
}

namespace {

void SendMouse(int x, int y, DWORD flags) {
    SendMouseInput(x, y, flags);
    // give the kiosk time to take each event before the next changes the state
    ::Sleep(flags & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP) ? 120
                                                                                                              : 40);
}

} // namespace

int Register(const char* name, void (*fn)()) {
    Cases().push_back({name, fn});
    return static_cast<int>(Cases().size());
}

void Fail(const char* file, int line, const std::string& what) {
    g_bFailed = true;
    std::printf("  %s:%d: %s failed: %s\n", file, line, g_pszCurrent, what.c_str());
    std::fflush(stdout);
}

int RunAll(int argc, wchar_t** argv) {
    int passed = 0, failed = 0;
    for (const TestCase& test : Cases()) {
        if (argc > 1 && Widen(test.name) != argv[1])
            continue;
        g_pszCurrent = test.name;
        g_bFailed = false;
        std::printf("[ RUN    ] %s\n", test.name);
        std::fflush(stdout);
        const DWORD start = ::GetTickCount();
        test.fn();
        std::printf("[ %s ] %s (%lu ms)\n", g_bFailed ? "FAILED" : "    OK", test.name,
                    static_cast<unsigned long>(::GetTickCount() - start));
        (g_bFailed ? failed : passed)++;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start > timeoutMs)
            return false;
        // windows the test made itself (a stand-in desktop, a handwriting
        // window) must answer the kiosk, or its ShowWindow would wait on us
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        ::Sleep(20);
    }
}

void Pause(DWORD ms) {
    WaitUntil([] { return false; }, ms);
}

std::wstring BuildProgramFolder() {
    wchar_t szPath[MAX_PATH];
    ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring path = szPath;
    path.resize(path.rfind(L'\\'));     // e2e
    path.resize(path.rfind(L'\\') + 1); // the build folder
    return path + L"Velmo";
}

std::wstring TempFolder(const std::wstring& name) {
    wchar_t szTemp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, szTemp);
    std::wstring root = std::wstring(szTemp) + L"velmo-e2e";
    ::CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring folder = root + L"\\" + name;
    DeleteTree(folder);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::string KioskLog(const std::wstring& folder) {
    const std::vector<uint8_t> bytes = ReadFileBytes(folder + L"\\Logs\\Velmo.log");
    return std::string(bytes.begin(), bytes.end());
}

size_t LogCount(const std::wstring& folder, const std::string& text) {
    const std::string log = KioskLog(folder);
    size_t n = 0;
    for (size_t pos = log.find(text); pos != std::string::npos; pos = log.find(text, pos + 1))
        ++n;
    return n;
}

bool WriteTextFile(const std::wstring& path, const std::string& text) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == text.size();
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(h, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD n = 0;
    if (!bytes.empty() &&
        (!::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) || n != bytes.size()))
        bytes.clear();
    ::CloseHandle(h);
    return bytes;
}

COLORREF BmpPixel(const std::vector<uint8_t>& bytes, int x, int y) {
    const std::optional<DibView> view = ParseBmpFile(bytes.data(), bytes.size());
    if (!view || view->bitCount < 24 || x < 0 || y < 0 || x >= view->width || y >= std::abs(view->height))
        return CLR_INVALID;
    const int row = view->height > 0 ? view->height - 1 - y : y;
    const size_t at = view->pixelOffset + static_cast<size_t>(row) * BmpRowBytes(view->width, view->bitCount) +
                      static_cast<size_t>(x) * (view->bitCount / 8);
    return RGB(bytes[at + 2], bytes[at + 1], bytes[at]);
}

std::wstring NameDaysAgo(int days) {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    FILETIME ft;
    ::SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    u.QuadPart -= static_cast<ULONGLONG>(days) * 86400 * 10000000;
    ft = {u.LowPart, u.HighPart};
    ::FileTimeToSystemTime(&ft, &st);
    const std::wstring path = RecordFileName({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
    return path.substr(path.find(L'\\') + 1);
}

FILETIME FileTimeDaysAgo(int days) {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    u.QuadPart -= static_cast<ULONGLONG>(days) * 86400 * 10000000;
    return {u.LowPart, u.HighPart};
}

std::wstring ProgramFolderCopy(const std::string& configIni, const std::wstring& name) {
    const std::wstring folder = TempFolder(Widen(g_pszCurrent) + name);
    CopyFolder(BuildProgramFolder(), folder);
    // every test starts with no records, whatever a hand run left in the build
    DeleteTree(folder + L"\\SignIn");
    ::CreateDirectoryW((folder + L"\\SignIn").c_str(), nullptr);
    ::DeleteFileW((folder + L"\\photo.bmp").c_str());
    WriteTextFile(folder + L"\\Config.ini", configIni);
    return folder;
}

DWORD RunProgram(std::wstring cmd, std::string& output, DWORD timeoutMs) {
    output.clear();
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    if (!::CreatePipe(&hRead, &hWrite, &sa, 0))
        return ::GetLastError();
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = si.hStdError = hWrite;
    PROCESS_INFORMATION pi{};
    const BOOL bStarted = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::CloseHandle(hWrite); // the child holds the only writing end now
    if (!bStarted) {
        ::CloseHandle(hRead);
        return ::GetLastError();
    }
    ::CloseHandle(pi.hThread);
    char buf[4096];
    DWORD n = 0;
    // ends when the program (and whatever it started) has closed the pipe
    while (::ReadFile(hRead, buf, sizeof(buf), &n, nullptr) && n > 0)
        output.append(buf, n);
    ::CloseHandle(hRead);
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    return code;
}

std::string Bmp(int cx, int cy, int bits, const std::function<COLORREF(int, int)>& colorAt) {
    const int bytesPerPixel = bits / 8;
    const int stride = (cx * bytesPerPixel + 3) & ~3;
    BITMAPFILEHEADER bf{};
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof(bi);
    bi.biWidth = cx;
    bi.biHeight = cy;
    bi.biPlanes = 1;
    bi.biBitCount = static_cast<WORD>(bits);
    bi.biSizeImage = static_cast<DWORD>(stride * cy);
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof(bf) + sizeof(bi);
    bf.bfSize = bf.bfOffBits + bi.biSizeImage;
    std::string data(reinterpret_cast<const char*>(&bf), sizeof(bf));
    data.append(reinterpret_cast<const char*>(&bi), sizeof(bi));
    std::string row(static_cast<size_t>(stride), bits == 32 ? '\xFF' : '\0');
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) {
            const COLORREF color = colorAt(x, y);
            row[x * bytesPerPixel] = static_cast<char>(GetBValue(color));
            row[x * bytesPerPixel + 1] = static_cast<char>(GetGValue(color));
            row[x * bytesPerPixel + 2] = static_cast<char>(GetRValue(color));
        }
        data += row;
    }
    return data;
}

std::string SolidBmp(int cx, int cy, COLORREF color, int bits) {
    return Bmp(cx, cy, bits, [color](int, int) { return color; });
}

std::optional<TestShare> MakeShare(const std::wstring& name) {
    if (RunningUnderWine()) {
        const char* pszPrefix = std::getenv("WINEPREFIX");
        if (!pszPrefix || !*pszPrefix)
            return std::nullopt;
        std::wstring unc = L"Z:";
        for (const char* p = pszPrefix; *p; ++p)
            unc += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
        unc += L"\\dosdevices\\unc";
        ::CreateDirectoryW(unc.c_str(), nullptr);
        ::CreateDirectoryW((unc + L"\\velmo-test").c_str(), nullptr);
        const std::wstring backing = unc + L"\\velmo-test\\" + name;
        DeleteTree(backing);
        DeleteTree(backing + L"-off");
        if (!::CreateDirectoryW(backing.c_str(), nullptr))
            return std::nullopt;
        return TestShare{L"\\\\velmo-test\\" + name, backing};
    }
    const std::wstring backing = TempFolder(L"share-" + name);
    TestShare share{L"\\\\localhost\\" + backing.substr(0, 1) + L"$" + backing.substr(2), backing};
    if (::GetFileAttributesW(share.unc.c_str()) == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return share;
}

bool SetShareOnline(const TestShare& share, bool bOnline) {
    const std::wstring off = share.backing + L"-off";
    return bOnline ? ::MoveFileW(off.c_str(), share.backing.c_str()) : ::MoveFileW(share.backing.c_str(), off.c_str());
}

CKiosk::CKiosk(const std::string& configIni) : m_folder(ProgramFolderCopy(configIni)) {
    Start();
}

CKiosk::CKiosk(Installed, const std::wstring& folder) : m_folder(folder) {
    Start();
}

void CKiosk::Start() {
    // started from another directory: the kiosk must find its files by itself
    const std::wstring otherDir = TempFolder(L"cwd");
    std::wstring cmd = L"\"" + m_folder + L"\\Velmo.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const DWORD startedAt = ::GetTickCount();
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, otherDir.c_str(), &si, &pi)) {
        Fail(__FILE__, __LINE__, "Velmo.exe could not be started (error " + std::to_string(::GetLastError()) + ")");
        return;
    }
    ::CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_pid = pi.dwProcessId;
    const auto kioskDialog = [this](HWND h, const wchar_t* pszTitle) {
        return ProcessOf(h) == m_pid && ClassOf(h) == L"#32770" && TitleOf(h) == pszTitle;
    };
    const bool found = WaitUntil(
        [&] {
            m_hPopup = FindTopLevelWindow([&](HWND h) { return kioskDialog(h, L"HideDlg"); });
            m_hMain = FindTopLevelWindow([&](HWND h) { return kioskDialog(h, L""); });
            return m_hPopup && m_hMain && IsShown(m_hPopup);
        },
        20000);
    if (!found) {
        m_hPopup = m_hMain = nullptr;
        Fail(__FILE__, __LINE__, "the launcher did not appear");
        return;
    }
    m_dwStartupMs = ::GetTickCount() - startedAt;
    ::Sleep(300); // let the first paints settle
}

CKiosk::~CKiosk() {
    if (m_hProcess) {
        if (::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_hProcess, 1);
            ::WaitForSingleObject(m_hProcess, 10000);
        }
        ::CloseHandle(m_hProcess);
    }
}

void CKiosk::Kill() {
    if (m_hProcess) {
        ::TerminateProcess(m_hProcess, 9);
        ::WaitForSingleObject(m_hProcess, 10000);
    }
}

bool CKiosk::HasExited(DWORD waitMs) const {
    return m_hProcess && ::WaitForSingleObject(m_hProcess, waitMs) == WAIT_OBJECT_0;
}

DWORD CKiosk::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_hProcess, &code);
    return code;
}

DWORD CKiosk::GdiObjects() const {
    return ::GetGuiResources(m_hProcess, GR_GDIOBJECTS);
}

DWORD CKiosk::UserObjects() const {
    return ::GetGuiResources(m_hProcess, GR_USEROBJECTS);
}

DWORD CKiosk::KernelHandles() const {
    DWORD n = 0;
    ::GetProcessHandleCount(m_hProcess, &n);
    return n;
}

SIZE_T CKiosk::PrivateBytes() const {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    if (!::K32GetProcessMemoryInfo(m_hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
        return 0;
    // Wine leaves PrivateUsage of another process at 0; PagefileUsage is the same count
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

namespace {
std::string ReadSmallFile(const std::wstring& path) {
    std::string text;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0 && text.size() < 65536)
        text.append(buf, n);
    ::CloseHandle(h);
    return text;
}
} // namespace

std::wstring CKiosk::WineProcFolder() const {
    // the host's process list, through Wine's drive for the root folder; the
    // kiosk's path is the same in every prefix, so the prefix must match too
    std::string folderName;
    for (wchar_t c : m_folder.substr(m_folder.rfind(L'\\') + 1))
        folderName += static_cast<char>(c);
    const std::string needle = folderName + "\\Velmo.exe";
    char szPrefix[MAX_PATH] = "";
    ::GetEnvironmentVariableA("WINEPREFIX", szPrefix, MAX_PATH);
    const std::string prefix = std::string("WINEPREFIX=") + szPrefix + '\0';
    WIN32_FIND_DATAW data;
    CFindHandle find(L"Z:\\proc\\*", data);
    if (!find)
        return {};
    do {
        if (data.cFileName[0] < L'0' || data.cFileName[0] > L'9')
            continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + data.cFileName;
        if (ReadSmallFile(dir + L"\\cmdline").find(needle) != std::string::npos &&
            (!szPrefix[0] || ReadSmallFile(dir + L"\\environ").find(prefix) != std::string::npos))
            return dir;
    } while (find.Next(data));
    return {};
}

unsigned long CKiosk::WineAnonKiB() const {
    const std::string status = ReadSmallFile(WineProcFolder() + L"\\status");
    const size_t at = status.find("RssAnon:");
    return at == std::string::npos ? 0 : std::strtoul(status.c_str() + at + 8, nullptr, 10);
}

double CKiosk::ProcessorMs() const {
    if (RunningUnderWine()) {
        // Wine reports no processor time of another process; the host does,
        // in fields 14 and 15 of its stat, in hundredths of a second
        const std::string stat = ReadSmallFile(WineProcFolder() + L"\\stat");
        const size_t end = stat.rfind(')'); // the command may hold spaces
        if (end == std::string::npos)
            return 0;
        std::istringstream fields(stat.substr(end + 2));
        std::string field;
        unsigned long long ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            ticks += i >= 14 ? std::stoull(field) : 0;
        return static_cast<double>(ticks) * 10.0;
    }
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(m_hProcess, &created, &exited, &kernel, &user))
        return 0;
    const auto ms = [](const FILETIME& ft) {
        return static_cast<double>((ULONGLONG{ft.dwHighDateTime} << 32) | ft.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

size_t LogCount(const CKiosk& kiosk, const std::string& text) {
    return LogCount(kiosk.Folder(), text);
}

bool CKiosk::ShowPage() {
    const RECT rc = WindowRect(m_hPopup);
    Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return WaitUntil([&] {
               const RECT rcMain = WindowRect(m_hMain);
               if (!IsShown(m_hMain) || rcMain.left != 0 || rcMain.top != 0 || rcMain.right != ScreenWidth() ||
                   rcMain.bottom != ScreenHeight())
                   return false;
               // and in front: a press on it reaches the page, not a window behind
               HWND hTop = ::WindowFromPoint({ScreenWidth() - 5, 5});
               return hTop && ::GetAncestor(hTop, GA_ROOT) == m_hMain;
           }) &&
           SyncWith(m_hMain);
}

void MoveTo(int x, int y) {
    SendMouse(x, y, 0);
}

void Press(int x, int y) {
    SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
}

void Release(int x, int y) {
    SendMouse(x, y, MOUSEEVENTF_LEFTUP);
}

void PressRight(int x, int y) {
    SendMouse(x, y, MOUSEEVENTF_RIGHTDOWN);
}

void ReleaseRight(int x, int y) {
    SendMouse(x, y, MOUSEEVENTF_RIGHTUP);
}

void Tap(int x, int y) {
    MoveTo(x, y);
    ::Sleep(60); // let the pointer settle where it will press
    Press(x, y);
    Release(x, y);
}

void KeyDown(WORD vk) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    ::SendInput(1, &in, sizeof(in));
    ::Sleep(30);
}

void KeyUp(WORD vk) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(1, &in, sizeof(in));
    ::Sleep(30);
}

void Key(WORD vk) {
    KeyDown(vk);
    KeyUp(vk);
}

namespace {
HBITMAP CreateTopDownDib(int cx, int cy, void*& pvBits) {
    if (cx <= 0 || cy <= 0)
        return nullptr;
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), cx, -cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    return ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pvBits, nullptr, 0);
}
} // namespace

CScreenDib::CScreenDib(const RECT& rc)
    : m_cx(rc.right - rc.left), m_cy(rc.bottom - rc.top), m_bitmap(CreateTopDownDib(m_cx, m_cy, m_pvBits)),
      m_dc(nullptr, m_bitmap.Get()) {
    if (!m_bitmap || !m_dc)
        return;
    const CClientDC screen(nullptr);
    ::BitBlt(m_dc.Get(), 0, 0, m_cx, m_cy, screen.Get(), rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    m_pBits = static_cast<const uint32_t*>(m_pvBits);
}

CScreenPixels::CScreenPixels(const RECT& rc) : m_rc(rc) {
    const CScreenDib dib(rc);
    if (dib.Pixels())
        m_pixels = dib.CopyPixels();
}

void CFinger::Send(UINT message, WPARAM flags, int x, int y) {
    POINT pt{x, y};
    ::ScreenToClient(m_hWnd, &pt);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(m_hWnd, message, flags, MAKELPARAM(pt.x, pt.y), SMTO_NORMAL, 5000, &result);
}

void CFinger::Drag(POINT from, std::initializer_list<POINT> offsets, WPARAM flags) {
    Down(from.x, from.y);
    for (const POINT& d : offsets)
        Move(from.x + d.x, from.y + d.y, flags);
}

void CFinger::DragSideways(int x, int toX, int y, int step) {
    Down(x, y);
    while (x != toX) {
        x = toX > x ? std::min(x + step, toX) : std::max(x - step, toX);
        Move(x, y);
    }
    Up(x, y);
}

void Stroke(POINT from, POINT to, int step) {
    Press(from.x, from.y);
    const int dx = to.x - from.x, dy = to.y - from.y;
    const int length = static_cast<int>(std::sqrt(double(dx) * dx + double(dy) * dy));
    for (int d = step; d < length; d += step)
        MoveTo(from.x + dx * d / length, from.y + dy * d / length);
    MoveTo(to.x, to.y);
    Release(to.x, to.y);
}

bool InkAlong(POINT from, POINT to) {
    const CScreenPixels shot({from.x, from.y - 4, to.x + 1, from.y + 5});
    if (!shot.Valid())
        return false;
    // the thinnest, fastest line is only light grey, and a stroke's first
    // stamps are small by design, too faint to count
    for (int x = from.x + 16; x <= to.x - 4; x += 12) {
        int darkest = 255;
        for (int y = from.y - 4; y < from.y + 5; ++y)
            darkest = std::min(darkest, CScreenPixels::Lightness(shot.At(x, y)));
        if (darkest > 240)
            return false;
    }
    return true;
}

bool StrokeUntilInked(POINT from, POINT to, int step) {
    Stroke(from, to, step);
    return WaitUntil([&] { return InkAlong(from, to); }, 5000);
}

std::vector<uint32_t> CScreenDib::CopyPixels() const {
    const size_t n = m_cx > 0 && m_cy > 0 ? static_cast<size_t>(m_cx) * m_cy : 0;
    return m_pBits ? std::vector<uint32_t>(m_pBits, m_pBits + n) : std::vector<uint32_t>(n, 0);
}

namespace {
std::vector<WORD> g_keysGot;
}

CKeyWindow::CKeyWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"VelmoTestKeys";
    ::RegisterClassW(&wc);
    g_keysGot.clear();
    m_hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"keys", WS_POPUP | WS_VISIBLE, ScreenWidth() / 2 - 150,
                               ScreenHeight() / 2 - 100, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
}

CKeyWindow::~CKeyWindow() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool CKeyWindow::Activate() {
    const RECT rc = WindowRect(m_hWnd);
    Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return WaitUntil([&] { return ::GetForegroundWindow() == m_hWnd; }, 5000);
}

bool CKeyWindow::Got(WORD vk) const {
    return std::find(g_keysGot.begin(), g_keysGot.end(), vk) != g_keysGot.end();
}

void CKeyWindow::Clear() {
    g_keysGot.clear();
}

LRESULT CALLBACK CKeyWindow::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        g_keysGot.push_back(static_cast<WORD>(wParam));
        return 0;
    // nothing of the system's own key handling (a menu, a task switch) here
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_SYSCOMMAND:
        return 0;
    default:
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

bool RunningUnderWine() {
    HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
    return hNtdll && ::GetProcAddress(hNtdll, "wine_get_version");
}

bool SyncWith(HWND hWnd) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
}

HWND FindTopLevelWindow(const std::function<bool(HWND)>& test) {
    struct Search {
        const std::function<bool(HWND)>& test;
        HWND hFound;
    } search{test, nullptr};
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (!s->test(hWnd))
                return TRUE;
            s->hFound = hWnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND FindOwnedWindow(HWND hOwner) {
    return FindTopLevelWindow([&](HWND h) { return ::GetWindow(h, GW_OWNER) == hOwner && IsShown(h); });
}

DWORD ProcessOf(HWND hWnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    return pid;
}

std::wstring ClassOf(HWND hWnd) {
    wchar_t sz[64] = L"";
    ::GetClassNameW(hWnd, sz, 64);
    return sz;
}

std::wstring TitleOf(HWND hWnd) {
    wchar_t sz[64] = L"";
    ::GetWindowTextW(hWnd, sz, 64);
    return sz;
}

RECT WindowRect(HWND hWnd) {
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

bool IsShown(HWND hWnd) {
    return ::IsWindowVisible(hWnd) != FALSE;
}

int ScreenWidth() {
    return ::GetSystemMetrics(SM_CXSCREEN);
}

int ScreenHeight() {
    return ::GetSystemMetrics(SM_CYSCREEN);
}

COLORREF ScreenPixel(int x, int y) {
    HDC hdc = ::GetDC(nullptr);
    const COLORREF c = ::GetPixel(hdc, x, y);
    ::ReleaseDC(nullptr, hdc);
    return c;
}

bool ColorNear(COLORREF a, COLORREF b, int tolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

} // namespace e2e
