// A small harness for end-to-end tests: starts the real Velmo.exe from a
// fresh copy of its program folder and drives it by input, as a visitor does.
// Runs unchanged on Windows and under Wine.
#pragma once

#include <windows.h>

#include "framework/Gdi.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Test cases register themselves; main runs them in order and prints
// "N passed, N failed".
struct TestCase {
    const char* name;
    void (*fn)();
};
int Register(const char* name, void (*fn)());
int RunAll(int argc, wchar_t** argv);

#define E2E_TEST(name)                                                                                                 \
    static void name();                                                                                                \
    static const int name##_registered = e2e::Register(#name, name);                                                   \
    static void name()

// A failed check marks the running case as failed and prints where.
void Fail(const char* file, int line, const std::string& what);
#define CHECK(cond)                                                                                                    \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            e2e::Fail(__FILE__, __LINE__, "CHECK(" #cond ")");                                                         \
    } while (0)
#define CHECK_EQ(a, b)                                                                                                 \
    do {                                                                                                               \
        const auto va_ = (a);                                                                                          \
        const auto vb_ = (b);                                                                                          \
        if (!(va_ == vb_))                                                                                             \
            e2e::Fail(__FILE__, __LINE__,                                                                              \
                      "CHECK_EQ(" #a ", " #b "): " + std::to_string(va_) + " != " + std::to_string(vb_));              \
    } while (0)
#define REQUIRE(cond)                                                                                                  \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            e2e::Fail(__FILE__, __LINE__, "REQUIRE(" #cond ")");                                                       \
            return;                                                                                                    \
        }                                                                                                              \
    } while (0)

// Polls the condition every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
void Pause(DWORD ms);

std::wstring BuildProgramFolder(); // the assembled Velmo folder of the build
std::wstring TempFolder(const std::wstring& name);
// Removes a folder with everything in it, read-only files too.
// For benchmarks: a high-resolution clock in milliseconds, and the median.
double NowMs();
double Median(std::vector<double> v);

void DeleteTree(const std::wstring& folder);
// Copies a folder with everything in it, into `to` (made when missing).
void CopyFolder(const std::wstring& from, const std::wstring& to);
// The names of the files (not folders) in a folder that match the pattern,
// in order.
std::vector<std::wstring> FileNamesIn(const std::wstring& folder, const wchar_t* pszPattern = L"*");
bool WriteTextFile(const std::wstring& path, const std::string& text);
// The whole file, or nothing when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
// A pixel of a 24- or 32-bit BMP file image as RGB, y counted from the top;
// CLR_INVALID for anything else.
COLORREF BmpPixel(const std::vector<uint8_t>& bytes, int x, int y);

// The record name of a sign-in `days` days before now, without its folder.
std::wstring NameDaysAgo(int days);
// Now less `days` days, as a file's time stamp.
FILETIME FileTimeDaysAgo(int days);

// The kiosk's log (Logs\Velmo.log in its program folder) as text, and how
// often a text occurs in it.
std::string KioskLog(const std::wstring& folder);
size_t LogCount(const std::wstring& folder, const std::string& text);

// The Config.ini a kiosk gets unless a test says otherwise.
inline constexpr char kDefaultConfigIni[] = "[Time]\r\nMinTime=30000\r\n";

// A fresh copy of the build's program folder, named after the running test
// (and `name` when a test needs more than one), with this Config.ini and no records.
std::wstring ProgramFolderCopy(const std::string& configIni, const std::wstring& name = L"");

// Runs a program to its end: its exit code (STILL_ACTIVE when it did not end
// in time), and what it wrote to its standard output and error.
DWORD RunProgram(std::wstring cmd, std::string& output, DWORD timeoutMs = 120000);

// An uncompressed bottom-up BMP of 24 bits, or of 32 with opaque pixels as
// the kiosk writes its records, coloured by colorAt(x, y) with y counted from
// the bottom row.
std::string Bmp(int cx, int cy, int bits, const std::function<COLORREF(int, int)>& colorAt);
std::string SolidBmp(int cx, int cy, COLORREF color, int bits = 24);

// A file share: under Wine a folder of the prefix's dosdevices\unc, on
// Windows the administrative share of the temporary folder's drive. `backing`
// is the same folder as this process reaches it.
struct TestShare {
    std::wstring unc;
    std::wstring backing;
};
std::optional<TestShare> MakeShare(const std::wstring& name);
// Takes the share away, as a server going down does, or brings it back.
bool SetShareOnline(const TestShare& share, bool bOnline);

// A copy of a screen rectangle in a 32-bit top-down DIB section, selected
// into a memory DC so that more can be drawn over it.
class CScreenDib {
public:
    explicit CScreenDib(const RECT& rc);
    CScreenDib(const CScreenDib&) = delete;
    CScreenDib& operator=(const CScreenDib&) = delete;

    HDC Dc() const { return m_dc.Get(); }
    // Rows of blue, green, red, unused, top row first; null when the copy failed.
    const uint32_t* Pixels() const { return m_pBits; }
    // The pixels, or as many zeros when the copy failed.
    std::vector<uint32_t> CopyPixels() const;

private:
    int m_cx, m_cy;
    void* m_pvBits = nullptr;
    CBitmapHandle m_bitmap;
    CMemoryDC m_dc;
    const uint32_t* m_pBits = nullptr; // once the copy is made
};

// The screen inside a rectangle, copied in one piece.
class CScreenPixels {
public:
    explicit CScreenPixels(const RECT& rc);
    bool Valid() const { return !m_pixels.empty(); }
    // Screen coordinates; 0x00RRGGBB.
    uint32_t At(int x, int y) const {
        return m_pixels[static_cast<size_t>(y - m_rc.top) * (m_rc.right - m_rc.left) + (x - m_rc.left)] & 0xFFFFFF;
    }
    static int Red(uint32_t c) { return (c >> 16) & 0xFF; }
    static int Green(uint32_t c) { return (c >> 8) & 0xFF; }
    static int Blue(uint32_t c) { return c & 0xFF; }
    static int Lightness(uint32_t c) { return (Red(c) + Green(c) + Blue(c)) / 3; }

private:
    RECT m_rc;
    std::vector<uint32_t> m_pixels;
};

class CKiosk {
public:
    // Copies the program folder to a fresh temporary folder named after the
    // test, writes Config.ini, and starts Velmo.exe from another directory.
    explicit CKiosk(const std::string& configIni = kDefaultConfigIni);
    // Starts the Velmo.exe of an installed program folder as it is.
    struct Installed {};
    CKiosk(Installed, const std::wstring& folder);
    ~CKiosk();
    CKiosk(const CKiosk&) = delete;
    CKiosk& operator=(const CKiosk&) = delete;

    bool Started() const { return m_hProcess != nullptr; }
    // The launcher popup and the main dialog once the kiosk is up.
    HWND Popup() const { return m_hPopup; }
    HWND Main() const { return m_hMain; }
    const std::wstring& Folder() const { return m_folder; }
    // Milliseconds from starting the process to a visible launcher.
    DWORD StartupMs() const { return m_dwStartupMs; }
    bool HasExited(DWORD waitMs = 0) const;
    // Ends the kiosk at once, as a crash or power cut would.
    void Kill();
    DWORD ExitCode() const;
    // Processor time the kiosk has used, user and kernel, in milliseconds.
    double ProcessorMs() const;
    DWORD GdiObjects() const;
    DWORD UserObjects() const;
    // Kernel handles and committed private memory: under Wine, where GDI and
    // USER objects are not counted per process, a leak shows up here.
    DWORD KernelHandles() const;
    SIZE_T PrivateBytes() const;
    // Under Wine: the kiosk's resident anonymous memory in KiB from the host's
    // /proc (0 when it cannot be read), where Wine keeps GDI objects.
    unsigned long WineAnonKiB() const;
    // Taps the popup's centre and waits until the page covers the screen.
    bool ShowPage();

    HANDLE Process() const { return m_hProcess; }

private:
    void Start();
    // Under Wine: the host's /proc folder of the kiosk's process, or empty.
    std::wstring WineProcFolder() const;

    std::wstring m_folder;
    HANDLE m_hProcess = nullptr;
    DWORD m_pid = 0;
    DWORD m_dwStartupMs = 0;
    HWND m_hPopup = nullptr;
    HWND m_hMain = nullptr;
};

// How often the kiosk's log holds text.
size_t LogCount(const CKiosk& kiosk, const std::string& text);

// Input, in screen pixels.
// One mouse event at screen (x, y), returning as soon as SendInput does; the
// calls below also give the kiosk time to take it.
void SendMouseInput(int x, int y, DWORD flags);
void MoveTo(int x, int y);
void Press(int x, int y);
void Release(int x, int y);
void Tap(int x, int y);
void PressRight(int x, int y);
void ReleaseRight(int x, int y);
void Key(WORD vk);
void KeyDown(WORD vk);
void KeyUp(WORD vk);

// A finger on one window, driven by mouse messages sent to it that carry
// their button flags: under Wine the flags of injected moves over a layered
// window follow the X pointer, not the injected buttons. Points are on the
// screen and reach the window in its client coordinates of the moment.
class CFinger {
public:
    explicit CFinger(HWND hWnd) : m_hWnd(hWnd) {}
    void Down(int x, int y, WPARAM flags = MK_LBUTTON) { Send(WM_LBUTTONDOWN, flags, x, y); }
    void Move(int x, int y, WPARAM flags = MK_LBUTTON) { Send(WM_MOUSEMOVE, flags, x, y); }
    void Up(int x, int y) { Send(WM_LBUTTONUP, 0, x, y); }
    // Down at `from`, then moves with these flags to each point given as an
    // offset from it; the finger stays down.
    void Drag(POINT from, std::initializer_list<POINT> offsets, WPARAM flags = MK_LBUTTON);
    // From x to toX at height y in steps, as a finger drags, and up.
    void DragSideways(int x, int toX, int y, int step = 40);

private:
    void Send(UINT message, WPARAM flags, int x, int y);
    HWND m_hWnd;
};

// Press, moves of `step` pixels along a straight line, release.
void Stroke(POINT from, POINT to, int step);
// Every sampled column of a horizontal stroke shows ink within a few rows of
// its path on the screen.
bool InkAlong(POINT from, POINT to);
// A horizontal stroke, then a wait of up to 5 s for its ink on the screen.
bool StrokeUntilInked(POINT from, POINT to, int step);

// A window of the test's own that records the keys reaching it, as any other
// program on the terminal would get them. One at a time.
class CKeyWindow {
public:
    CKeyWindow();
    ~CKeyWindow();
    CKeyWindow(const CKeyWindow&) = delete;
    CKeyWindow& operator=(const CKeyWindow&) = delete;

    // Taps it and waits until it is the foreground window.
    bool Activate();
    // Whether a press of the key has reached it, and forgetting them.
    bool Got(WORD vk) const;
    void Clear();
    HWND Get() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_hWnd = nullptr;
};

// True under Wine, where a few platform behaviours differ from Windows.
bool RunningUnderWine();

// State.
// Returns once the thread of hWnd has come back to its message loop, so
// the work of a press it is handling is done before the next input.
bool SyncWith(HWND hWnd);
// The first top-level window in z-order for which test holds, or null.
HWND FindTopLevelWindow(const std::function<bool(HWND)>& test);
// A visible window owned by hOwner (a message box, say), or null.
HWND FindOwnedWindow(HWND hOwner);
DWORD ProcessOf(HWND hWnd);
std::wstring ClassOf(HWND hWnd);
std::wstring TitleOf(HWND hWnd);
RECT WindowRect(HWND hWnd);
bool IsShown(HWND hWnd);
int ScreenWidth();
int ScreenHeight();
COLORREF ScreenPixel(int x, int y);
bool ColorNear(COLORREF a, COLORREF b, int tolerance = 8);

} // namespace e2e
