// The camera on the sign-in page, through the real DirectShow path with our
// test camera (TestCam.dll beside this program): the device list, the live
// preview in the photo area, the photo file and its display, failures that
// must not stop the kiosk, and no growth over many photos.
#include "Harness.h"
#include "TestCamSetup.h"

#include <dbt.h>

#include "records/BmpFormat.h"
#include "shell/Layout.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace e2e;

namespace {

constexpr int kPreviewFrameId = 1011;
constexpr int kCameraListId = 1012;

POINT CentreOf(const LayoutRect& rc) {
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

LayoutRect PhotoRect() {
    return ComputeStartupLayout(ScreenWidth(), ScreenHeight()).photo;
}

POINT PhotoButton() {
    return CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[static_cast<int>(PageButton::Photo)]);
}

// A separate Photo tap: the system makes a quick second tap on the same spot
// a double-click, which the page takes as part of the first tap, so each tap
// lands beside the last one.
void TapPhoto() {
    static int s_nTaps = 0;
    const POINT pt = PhotoButton();
    const int dx = (s_nTaps++ % 2) * (::GetSystemMetrics(SM_CXDOUBLECLK) + 8);
    Tap(pt.x + dx, pt.y);
}

// Taps the OK button of a message box, so that the answer comes after the
// taps before it.
bool TapOk(HWND hBox) {
    const RECT rc = WindowRect(::GetDlgItem(hBox, IDOK));
    if (rc.right <= rc.left)
        return false;
    Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return WaitUntil([&] { return !::IsWindow(hBox); });
}

HWND PreviewFrame(const CKiosk& kiosk) {
    return ::GetDlgItem(kiosk.Main(), kPreviewFrameId);
}

// OnInitDialog has gone past the preview start once the pad exists.
bool WaitForStartup(const CKiosk& kiosk) {
    return WaitUntil([&] { return ::FindWindowExW(kiosk.Main(), nullptr, L"#32770", nullptr) != nullptr; });
}

// A visible top-level window of the kiosk other than its popup and page: a
// message box.
HWND FindKioskMessageBox(const CKiosk& kiosk) {
    const DWORD pid = ProcessOf(kiosk.Main());
    return FindTopLevelWindow(
        [&](HWND h) { return h != kiosk.Popup() && h != kiosk.Main() && IsShown(h) && ProcessOf(h) == pid; });
}

std::wstring MessageBoxText(HWND hBox) {
    wchar_t szText[256] = L"";
    ::GetDlgItemTextW(hBox, 0xFFFF, szText, ARRAYSIZE(szText)); // the message box's text control
    return szText;
}

// The control's own text: GetWindowTextW would read only the window title of
// another process's window, which a combo box never updates.
std::wstring ControlText(HWND hWnd) {
    wchar_t szText[256] = L"";
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(hWnd, WM_GETTEXT, ARRAYSIZE(szText), reinterpret_cast<LPARAM>(szText), SMTO_ABORTIFHUNG, 5000,
                          &result);
    return szText;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

bool Near(int a, int b) {
    return a - b <= 40 && b - a <= 40;
}
bool IsRed(COLORREF c) {
    return Near(GetRValue(c), 255) && Near(GetGValue(c), 0) && Near(GetBValue(c), 0);
}
bool IsBlue(COLORREF c) {
    return Near(GetRValue(c), 0) && Near(GetGValue(c), 0) && Near(GetBValue(c), 255);
}
bool IsGreen(COLORREF c) {
    return GetGValue(c) > 150 && GetRValue(c) < 100 && GetBValue(c) < 100;
}

// Nine points across a row of the photo area; the moving green column covers
// at most one of them.
int CountOnRow(int y, bool (*test)(COLORREF)) {
    const LayoutRect rc = PhotoRect();
    int n = 0;
    for (int i = 1; i <= 9; ++i)
        n += test(ScreenPixel(rc.left + rc.Width() * i / 10, y)) ? 1 : 0;
    return n;
}

bool ScreenShowsPattern() {
    const LayoutRect rc = PhotoRect();
    return CountOnRow(rc.top + rc.Height() / 4, IsRed) >= 8 && CountOnRow(rc.top + rc.Height() * 3 / 4, IsBlue) >= 8;
}

// The left edge of the green column on a row of the photo area, or -1.
int GreenColumnOnScreen() {
    const LayoutRect rc = PhotoRect();
    const int y = rc.top + rc.Height() / 4;
    HDC hdc = ::GetDC(nullptr);
    int x = -1;
    for (int px = rc.left + 2; px < rc.right - 2 && x < 0; ++px) {
        if (IsGreen(::GetPixel(hdc, px, y)))
            x = px;
    }
    ::ReleaseDC(nullptr, hdc);
    return x;
}

struct PhotoFile {
    std::vector<uint8_t> bytes;
    int32_t width = 0, height = 0;
    uint32_t stride = 0;
    // the file's pixel at (x, row from the top of the picture) as RGB
    COLORREF Pixel(int x, int rowFromTop) const {
        const size_t at = 54 + static_cast<size_t>(height - 1 - rowFromTop) * stride + static_cast<size_t>(x) * 3;
        return RGB(bytes[at + 2], bytes[at + 1], bytes[at]);
    }
};

// Checks the headers and returns the file, or an empty one.
PhotoFile CheckPhotoFile(const std::wstring& path, int32_t width, int32_t height) {
    PhotoFile file;
    file.bytes = ReadFileBytes(path);
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const size_t expected = 54 + static_cast<size_t>(stride) * height;
    CHECK_EQ(file.bytes.size(), expected);
    if (file.bytes.size() != expected)
        return {};
    CHECK(file.bytes[0] == 'B' && file.bytes[1] == 'M');
    CHECK_EQ(U32(file.bytes, 2), static_cast<uint32_t>(expected)); // bfSize
    CHECK_EQ(U32(file.bytes, 10), 54u);                            // bfOffBits
    CHECK_EQ(U32(file.bytes, 14), 40u);                            // biSize
    CHECK_EQ(static_cast<int32_t>(U32(file.bytes, 18)), width);
    CHECK_EQ(static_cast<int32_t>(U32(file.bytes, 22)), height); // positive: bottom row first
    CHECK_EQ(U32(file.bytes, 26), 24u << 16 | 1u);               // biPlanes 1, biBitCount 24
    CHECK_EQ(U32(file.bytes, 30), 0u);                           // BI_RGB
    CHECK_EQ(U32(file.bytes, 34), 0u);                           // biSizeImage
    file.width = width;
    file.height = height;
    file.stride = stride;
    return file;
}

// The test pattern the right way up: red on top, blue below, away from the
// green column.
void CheckPhotoPattern(const PhotoFile& file) {
    if (file.bytes.empty())
        return;
    int red = 0, blue = 0;
    for (int i = 1; i <= 9; ++i) {
        const int x = file.width * i / 10;
        red += IsRed(file.Pixel(x, file.height / 4)) ? 1 : 0;
        blue += IsBlue(file.Pixel(x, file.height * 3 / 4)) ? 1 : 0;
    }
    CHECK(red >= 8);
    CHECK(blue >= 8);
}

// The preview is live: the pattern's green column moves between two samples.
void CheckPreviewIsLive() {
    int firstColumn = -1;
    CHECK(WaitUntil([&] { return (firstColumn = GreenColumnOnScreen()) >= 0; }));
    CHECK(WaitUntil([&] {
        const int x = GreenColumnOnScreen();
        return x >= 0 && x != firstColumn;
    }));
}

// Presses Photo while the preview runs and waits for the photo to replace it.
bool TakePhoto(const CKiosk& kiosk) {
    const std::wstring photo = kiosk.Folder() + L"\\photo.bmp";
    ::DeleteFileW(photo.c_str());
    TapPhoto();
    return WaitUntil([&] {
        return ::GetFileAttributesW(photo.c_str()) != INVALID_FILE_ATTRIBUTES && !IsShown(PreviewFrame(kiosk));
    });
}

// Presses Photo while the photo is shown and waits for the live preview.
bool RestartPreview(const CKiosk& kiosk) {
    TapPhoto();
    return WaitUntil([&] { return IsShown(PreviewFrame(kiosk)); });
}

void HoldForScreenshot(const char* what) {
    // VELMO_CAMERA_HOLD=1 keeps each state up long enough for a screenshot
    if (::GetEnvironmentVariableW(L"VELMO_CAMERA_HOLD", nullptr, 0) > 0) {
        std::printf("  holding for a screenshot: %s\n", what);
        std::fflush(stdout);
        Pause(5000);
    }
}

const CameraInstance kTestCamera{L"0", L"Test Camera", 640, 480, L"preview"};

// The start the camera cases share: exactly these devices registered, then
// the kiosk started with them (not at all when they could not be).
class CCameraKiosk {
public:
    explicit CCameraKiosk(const std::vector<CameraInstance>& instances,
                          const std::string& configIni = kDefaultConfigIni)
        : m_cameras(instances) {
        if (m_cameras.Ok())
            m_kiosk.emplace(configIni);
    }
    bool Started() const { return m_kiosk && m_kiosk->Started(); }
    // Started and past the preview start.
    bool Ready() const { return Started() && WaitForStartup(*m_kiosk); }
    // Ready, with the page shown and the live pattern on the screen.
    bool Live() { return Ready() && m_kiosk->ShowPage() && WaitUntil(ScreenShowsPattern); }
    CKiosk& Kiosk() { return *m_kiosk; }

private:
    CCameraSetup m_cameras;
    std::optional<CKiosk> m_kiosk;
};

} // namespace

E2E_TEST(NoCameraStartsQuietly) {
    CCameraKiosk camera({});
    REQUIRE(camera.Ready());
    CKiosk& kiosk = camera.Kiosk();
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
    CHECK(ControlText(::GetDlgItem(kiosk.Main(), kCameraListId)).empty());

    REQUIRE(kiosk.ShowPage());
    // without a camera the first paint hides the preview frame
    CHECK(WaitUntil([&] { return !IsShown(PreviewFrame(kiosk)); }));

    const POINT pt = PhotoButton();
    Tap(pt.x, pt.y);
    Tap(pt.x, pt.y);
    CHECK(WaitUntil([&] { return !IsShown(PreviewFrame(kiosk)); }));
    Pause(500); // a wrongly started build would show its message box by now
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
    CHECK(!kiosk.HasExited());
    CHECK(IsShown(kiosk.Main()));
    CHECK(::GetFileAttributesW((kiosk.Folder() + L"\\photo.bmp").c_str()) == INVALID_FILE_ATTRIBUTES);
}

E2E_TEST(LivePreviewPhotoAndBackToLive) {
    CCameraKiosk camera({kTestCamera});
    REQUIRE(camera.Ready());
    CKiosk& kiosk = camera.Kiosk();
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
    CHECK(ControlText(::GetDlgItem(kiosk.Main(), kCameraListId)) == L"Test Camera");
    REQUIRE(kiosk.ShowPage());

    // the live pattern inside the photo rectangle, with the frame over it
    CHECK(IsShown(PreviewFrame(kiosk)));
    const RECT rcFrame = WindowRect(PreviewFrame(kiosk));
    const LayoutRect photo = PhotoRect();
    CHECK(rcFrame.left == photo.left && rcFrame.top == photo.top && rcFrame.right == photo.right &&
          rcFrame.bottom == photo.bottom);
    CHECK(WaitUntil(ScreenShowsPattern));
    HoldForScreenshot("live preview");

    REQUIRE(TakePhoto(kiosk));
    const PhotoFile file = CheckPhotoFile(kiosk.Folder() + L"\\photo.bmp", 640, 480);
    CheckPhotoPattern(file);
    // the still photo is drawn where the preview was, and stays still
    CHECK(WaitUntil(ScreenShowsPattern));
    const int stillColumn = GreenColumnOnScreen();
    Pause(300);
    CHECK_EQ(GreenColumnOnScreen(), stillColumn);
    HoldForScreenshot("still photo");

    // Photo again: live once more, the column moves between two samples
    REQUIRE(RestartPreview(kiosk));
    CHECK(WaitUntil(ScreenShowsPattern));
    CheckPreviewIsLive();
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
}

E2E_TEST(OddWidthRowsArePadded) {
    CCameraKiosk camera({{L"0", L"Narrow Camera", 162, 120, L"captureonly"}});
    REQUIRE(camera.Live());
    CKiosk& kiosk = camera.Kiosk();
    REQUIRE(TakePhoto(kiosk));
    // 162 pixels are 486 bytes, padded to 488
    const PhotoFile file = CheckPhotoFile(kiosk.Folder() + L"\\photo.bmp", 162, 120);
    REQUIRE(!file.bytes.empty());
    CHECK_EQ(file.stride, 488u);
    CheckPhotoPattern(file);
    bool padZero = true;
    for (int row = 0; row < 120; ++row)
        padZero = padZero && file.bytes[54 + row * 488 + 486] == 0 && file.bytes[54 + row * 488 + 487] == 0;
    CHECK(padZero);
}

E2E_TEST(SelectionNamesAPositionInTheEnumeration) {
    // "Zulu" enumerates first, "Alpha" lists first
    CCameraKiosk camera({{L"0", L"Zulu Camera", 320, 240, L"preview"}, {L"1", L"Alpha Camera", 160, 120, L"preview"}});
    REQUIRE(camera.Ready());
    CKiosk& kiosk = camera.Kiosk();
    CHECK(ControlText(::GetDlgItem(kiosk.Main(), kCameraListId)) == L"Alpha Camera");
    REQUIRE(kiosk.ShowPage());
    REQUIRE(WaitUntil(ScreenShowsPattern));
    REQUIRE(TakePhoto(kiosk));
    // selection 0 bound the first enumerated device
    CheckPhotoFile(kiosk.Folder() + L"\\photo.bmp", 320, 240);
}

E2E_TEST(CameraThatCannotBeBoundIsReportedAndRetried) {
    struct Case {
        const char* name;
        std::vector<CameraInstance> cameras;
        const wchar_t* listed;
    };
    const Case cases[] = {
        // listed second, yet selection 0 names enumeration position 0
        {"first device without a name",
         {{L"0", nullptr, 320, 240, L"preview"}, {L"1", L"Named Camera", 160, 120, L"preview"}},
         L"Named Camera"},
        {"device that refuses to bind", {{L"0", L"Broken Camera", 320, 240, L"failbind"}}, L"Broken Camera"},
    };
    for (const Case& c : cases) {
        std::printf("  case: %s\n", c.name);
        CCameraKiosk camera(c.cameras);
        REQUIRE(camera.Started());
        CKiosk& kiosk = camera.Kiosk();
        auto answerMessageBox = [&] {
            HWND hBox = nullptr;
            if (!WaitUntil([&] { return (hBox = FindKioskMessageBox(kiosk)) != nullptr; }))
                return false;
            CHECK(MessageBoxText(hBox) == L"Can't build the graph");
            CHECK(::GetWindow(hBox, GW_OWNER) == kiosk.Main());
            ::PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return WaitUntil([&] { return !::IsWindow(hBox); });
        };
        REQUIRE(answerMessageBox());
        REQUIRE(WaitForStartup(kiosk));
        CHECK(ControlText(::GetDlgItem(kiosk.Main(), kCameraListId)) == c.listed);

        // the kiosk keeps working: the page comes up, and each Photo press
        // tries the preview again
        REQUIRE(kiosk.ShowPage());
        CHECK(WaitUntil([&] { return !IsShown(PreviewFrame(kiosk)); }));
        for (int i = 0; i < 3; ++i) {
            TapPhoto();
            REQUIRE(answerMessageBox());
        }
        CHECK(!kiosk.HasExited());
        CHECK(WaitUntil([&] { return !IsShown(PreviewFrame(kiosk)); }));
        CHECK(IsShown(kiosk.Main()));
        CHECK(FindKioskMessageBox(kiosk) == nullptr);
    }
}

E2E_TEST(CameraErrorBoxHoldsThePageBack) {
    CCameraKiosk camera({{L"0", L"Broken Camera", 320, 240, L"failbind"}});
    REQUIRE(camera.Started());
    CKiosk& kiosk = camera.Kiosk();
    auto waitForBox = [&] {
        HWND hBox = nullptr;
        WaitUntil([&] { return (hBox = FindKioskMessageBox(kiosk)) != nullptr; });
        if (hBox) {
            CHECK(MessageBoxText(hBox) == L"Can't build the graph");
            CHECK(::GetWindow(hBox, GW_OWNER) == kiosk.Main());
            CHECK(!::IsWindowEnabled(kiosk.Main()));
        }
        return hBox;
    };

    // at start-up a launcher tap must not bring up the page before it is built
    HWND hBox = waitForBox();
    REQUIRE(hBox);
    const RECT rcPopup = WindowRect(kiosk.Popup());
    Tap((rcPopup.left + rcPopup.right) / 2, (rcPopup.top + rcPopup.bottom) / 2);
    REQUIRE(TapOk(hBox));
    REQUIRE(WaitForStartup(kiosk));
    CHECK(!IsShown(kiosk.Main()));
    CHECK(IsShown(kiosk.Popup()));

    // Photo fails the same way; the camera is mended while the box is up, and a
    // Photo tap under the box must not build a preview that the failed build
    // then takes down
    REQUIRE(kiosk.ShowPage());
    TapPhoto();
    hBox = waitForBox();
    REQUIRE(hBox);
    REQUIRE(SetCameraMode(L"0", L"preview"));
    TapPhoto();
    REQUIRE(TapOk(hBox));
    CHECK(::IsWindowEnabled(kiosk.Main()));
    CHECK(WaitUntil([&] { return !IsShown(PreviewFrame(kiosk)); }));
    CHECK(FindKioskMessageBox(kiosk) == nullptr);

    // the failed build left the preview stopped: Photo builds it again
    REQUIRE(RestartPreview(kiosk));
    CHECK(WaitUntil(ScreenShowsPattern));
    REQUIRE(TakePhoto(kiosk));
    CheckPhotoFile(kiosk.Folder() + L"\\photo.bmp", 320, 240);
}

E2E_TEST(EscapeWhileStreamingEndsTheProgram) {
    CCameraKiosk camera({kTestCamera});
    REQUIRE(camera.Live());
    CKiosk& kiosk = camera.Kiosk();
    ::SetForegroundWindow(kiosk.Main());
    Pause(200);
    const DWORD start = ::GetTickCount();
    Key(VK_ESCAPE);
    CHECK(kiosk.HasExited(5000));
    if (kiosk.HasExited()) {
        std::printf("  exited %lu ms after Escape\n", ::GetTickCount() - start);
        CHECK_EQ(kiosk.ExitCode(), 0ul);
    }
}

E2E_TEST(ManyPhotosLeakNothing) {
    if (ScreenWidth() != 1920) {
        std::printf("  runs at 1920 x 1080 only, to keep the suite short\n");
        return;
    }
    CCameraKiosk camera({kTestCamera});
    REQUIRE(camera.Live());
    CKiosk& kiosk = camera.Kiosk();
    auto cycle = [&] { return TakePhoto(kiosk) && RestartPreview(kiosk); };
    for (int i = 0; i < 10; ++i)
        REQUIRE(cycle());
    const DWORD handlesBefore = kiosk.KernelHandles();
    const SIZE_T bytesBefore = kiosk.PrivateBytes();
    const unsigned long anonBefore = kiosk.WineAnonKiB();
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < 100; ++i)
        REQUIRE(cycle());
    const DWORD elapsed = ::GetTickCount() - start;
    const DWORD handlesAfter = kiosk.KernelHandles();
    const SIZE_T bytesAfter = kiosk.PrivateBytes();
    const unsigned long anonAfter = kiosk.WineAnonKiB();
    std::printf("  100 cycles in %lu ms; kernel handles %lu -> %lu, private KiB %lu -> %lu\n", elapsed, handlesBefore,
                handlesAfter, static_cast<unsigned long>(bytesBefore / 1024),
                static_cast<unsigned long>(bytesAfter / 1024));
    CHECK(handlesAfter <= handlesBefore + 5);
    // a stopped graph has let go of its frame buffers, so one leaked graph
    // per cycle adds only about 16 KiB: the margin is kept tight
    CHECK(bytesAfter <= bytesBefore + 1024 * 1024);
    if (RunningUnderWine()) {
        std::printf("  under Wine: resident anonymous memory %lu KiB -> %lu KiB\n", anonBefore, anonAfter);
        CHECK(anonBefore > 0);
        CHECK(anonAfter <= anonBefore + 1024);
    }
    CHECK(WaitUntil(ScreenShowsPattern));
}

namespace {

std::wstring OnlyRecord(const CKiosk& kiosk) {
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((kiosk.Folder() + L"\\SignIn\\*.bmp").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return {};
    std::wstring name = data.cFileName;
    const bool bMore = ::FindNextFileW(hFind, &data);
    ::FindClose(hFind);
    return bMore ? std::wstring() : kiosk.Folder() + L"\\SignIn\\" + name;
}

// The camera's frame scaled into the record's photo area: red above, blue
// below (the placeholder is neither).
void CheckRecordPhoto(const std::vector<uint8_t>& record, const StartupLayout& layout) {
    const LayoutRect& p = layout.photo;
    int red = 0, blue = 0;
    for (int i = 1; i <= 9; ++i) {
        const int x = p.left + p.Width() * i / 10 - layout.signCapture.left;
        red += IsRed(BmpPixel(record, x, p.top + p.Height() / 4 - layout.signCapture.top)) ? 1 : 0;
        blue += IsBlue(BmpPixel(record, x, p.top + p.Height() * 3 / 4 - layout.signCapture.top)) ? 1 : 0;
    }
    CHECK(red >= 8);
    CHECK(blue >= 8);
}

// A longer double-click time while the kiosk starts, which reads it then: a
// second tap after the photo is a double-click however long the photo takes.
class CDoubleClickTime {
public:
    explicit CDoubleClickTime(UINT ms) : m_nOld(::GetDoubleClickTime()) { m_bOk = ::SetDoubleClickTime(ms); }
    ~CDoubleClickTime() { ::SetDoubleClickTime(m_nOld); }
    bool Ok() const { return m_bOk; }

private:
    UINT m_nOld;
    bool m_bOk = false;
};
} // namespace

E2E_TEST(SignatureAndPhotoMakeOneRecord) {
    CCameraKiosk camera({kTestCamera});
    REQUIRE(camera.Ready());
    CKiosk& kiosk = camera.Kiosk();
    REQUIRE(kiosk.ShowPage());
    const StartupLayout layout = ComputeStartupLayout(ScreenWidth(), ScreenHeight());
    // blue ink: the right column's sixth cell (0, 0, 255)
    const int cell = layout.palette.Height() / 9;
    Tap(layout.palette.left + layout.palette.Width() * 3 / 4, layout.palette.top + 5 * cell + cell / 2);
    const int y = layout.pad.top + layout.pad.Height() / 3;
    const int x0 = layout.pad.left + 150, x1 = layout.pad.left + 450;
    MoveTo(x0, y);
    Press(x0, y);
    for (int x = x0; x <= x1; x += 3)
        MoveTo(x, y);
    Release(x1, y);
    REQUIRE(TakePhoto(kiosk));
    const POINT save = CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3]);
    Tap(save.x, save.y);
    std::wstring path;
    REQUIRE(WaitUntil([&] { return !(path = OnlyRecord(kiosk)).empty(); }, 5000));
    Pause(200);
    const std::vector<uint8_t> record = ReadFileBytes(path);
    const std::optional<DibView> view = ParseBmpFile(record.data(), record.size());
    REQUIRE(view.has_value());
    CHECK_EQ(view->width, layout.signCapture.Width());
    CHECK_EQ(view->height, layout.signCapture.Height());
    // the blue ink where it was written
    const COLORREF ink = BmpPixel(record, (x0 + x1) / 2 - layout.signCapture.left, y - layout.signCapture.top);
    CHECK(GetBValue(ink) > GetRValue(ink) + 40 && GetBValue(ink) > GetGValue(ink) + 40);
    CheckRecordPhoto(record, layout);
}

E2E_TEST(DoubleTapOnPhotoKeepsThePhoto) {
    CDoubleClickTime doubleClick(2000);
    REQUIRE(doubleClick.Ok());
    CCameraKiosk camera({kTestCamera});
    REQUIRE(camera.Live());
    CKiosk& kiosk = camera.Kiosk();
    // the second tap of the double tap arrives once the photo is shown
    const POINT pt = PhotoButton();
    Tap(pt.x, pt.y);
    REQUIRE(WaitUntil([&] {
        return ::GetFileAttributesW((kiosk.Folder() + L"\\photo.bmp").c_str()) != INVALID_FILE_ATTRIBUTES &&
               !IsShown(PreviewFrame(kiosk));
    }));
    Tap(pt.x, pt.y);
    const POINT save = CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3]);
    Tap(save.x, save.y);
    std::wstring path;
    REQUIRE(WaitUntil([&] { return !(path = OnlyRecord(kiosk)).empty(); }, 5000));
    CHECK(!IsShown(PreviewFrame(kiosk)));
    std::vector<uint8_t> record;
    REQUIRE(WaitUntil([&] {
        record = ReadFileBytes(path);
        return ParseBmpFile(record.data(), record.size()).has_value();
    }));
    CheckRecordPhoto(record, ComputeStartupLayout(ScreenWidth(), ScreenHeight()));
}

E2E_TEST(IdleTimeoutLeavesNoPhotoForTheNextVisitor) {
    // the visitor walks away from the page, or leaves through the exit region
    for (const bool bThroughTheExit : {false, true}) {
        std::printf("  %s\n", bThroughTheExit ? "left through the exit" : "left on the page");
        CCameraKiosk camera({kTestCamera}, "[Time]\r\nMinTime=2000\r\n");
        REQUIRE(camera.Live());
        CKiosk& kiosk = camera.Kiosk();
        REQUIRE(TakePhoto(kiosk));
        if (bThroughTheExit) {
            const POINT exit = CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).exit);
            Tap(exit.x, exit.y);
        }
        CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 8000));
        // the photo file is emptied, never deleted: an installed kiosk could not make it again
        const std::wstring photo = kiosk.Folder() + L"\\photo.bmp";
        CHECK(WaitUntil(
            [&] {
                return ::GetFileAttributesW(photo.c_str()) != INVALID_FILE_ATTRIBUTES && ReadFileBytes(photo).empty();
            },
            4000));
        // the next visitor finds the live camera, not the photo
        REQUIRE(kiosk.ShowPage());
        CHECK(WaitUntil([&] { return IsShown(PreviewFrame(kiosk)); }));
        CheckPreviewIsLive();
        // and their photo rewrites the same file
        TapPhoto();
        CHECK(WaitUntil([&] { return ReadFileBytes(photo).size() > 54 && !IsShown(PreviewFrame(kiosk)); }));
    }
}

E2E_TEST(AnIdleKioskRaisesNoCameraBox) {
    CCameraKiosk camera({kTestCamera}, "[Time]\r\nMinTime=3000\r\n");
    REQUIRE(camera.Live());
    CKiosk& kiosk = camera.Kiosk();
    REQUIRE(TakePhoto(kiosk));
    // the camera fails while the photo shows: the idle reset cannot bring the preview back
    REQUIRE(SetCameraMode(L"0", L"failbind"));
    REQUIRE(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }, 8000));
    CHECK(!WaitUntil([&] { return FindKioskMessageBox(kiosk) != nullptr; }, 2000));
    // the next visitor's Photo tries again, and is told
    REQUIRE(kiosk.ShowPage());
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
    TapPhoto();
    HWND hBox = nullptr;
    REQUIRE(WaitUntil([&] { return (hBox = FindKioskMessageBox(kiosk)) != nullptr; }));
    CHECK(MessageBoxText(hBox) == L"Can't build the graph");
    // a box nobody answers closes itself at the idle time, and the kiosk goes idle
    CHECK(WaitUntil([&] { return !::IsWindow(hBox); }, 8000));
    CHECK(WaitUntil([&] { return !IsShown(kiosk.Main()) && IsShown(kiosk.Popup()); }));
    CHECK(!kiosk.HasExited());
    // mended, the camera is live for the next visitor's Photo
    REQUIRE(SetCameraMode(L"0", L"preview"));
    REQUIRE(kiosk.ShowPage());
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
    REQUIRE(RestartPreview(kiosk));
    CHECK(WaitUntil(ScreenShowsPattern));
}

namespace {

// The camera going away and coming back: the test camera's vanish mode runs,
// then reports its device lost through the graph and leaves the device list,
// and returns later in preview mode (after its default times).
constexpr DWORD kLostAfterMs = 6000;
constexpr DWORD kBackAfterMs = 12000;
// A camera back in the list is live again within this, announced or not.
constexpr DWORD kBackWithinMs = 5000;

bool IsListed(const wchar_t* key) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kInstanceKey) + L"\\" + key).c_str(), 0,
                        KEY_READ | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

std::string KioskLog(const CKiosk& kiosk) {
    const std::vector<uint8_t> bytes = ReadFileBytes(kiosk.Folder() + L"\\Logs\\Velmo.log");
    return std::string(bytes.begin(), bytes.end());
}

bool LogHas(const CKiosk& kiosk, const char* text, size_t from = 0) {
    return KioskLog(kiosk).find(text, from) != std::string::npos;
}

bool NearColor(COLORREF a, COLORREF b) {
    return Near(GetRValue(a), GetRValue(b)) && Near(GetGValue(a), GetGValue(b)) && Near(GetBValue(a), GetBValue(b));
}

// Nine points across the middle row of a picture of the photo area's size,
// against the same points of the placeholder picture.
bool MatchesPlaceholder(const CKiosk& kiosk, const std::function<COLORREF(int, int)>& pixelAt) {
    const std::vector<uint8_t> placeholder = ReadFileBytes(kiosk.Folder() + L"\\Picture\\photobk.bmp");
    const std::optional<DibView> view = ParseBmpFile(placeholder.data(), placeholder.size());
    if (!view)
        return false;
    const LayoutRect rc = PhotoRect();
    int n = 0;
    for (int i = 1; i <= 9; ++i) {
        const COLORREF expected = BmpPixel(placeholder, view->width * i / 10, view->height / 2);
        n += NearColor(pixelAt(rc.Width() * i / 10, rc.Height() / 2), expected) ? 1 : 0;
    }
    return n >= 8;
}

bool ScreenShowsPlaceholder(const CKiosk& kiosk) {
    const LayoutRect rc = PhotoRect();
    return MatchesPlaceholder(kiosk, [&](int x, int y) { return ScreenPixel(rc.left + x, rc.top + y); });
}

// The notice: a dark band across the middle of the photo area.
bool ScreenShowsNotice() {
    const LayoutRect rc = PhotoRect();
    const int y = rc.top + rc.Height() / 2;
    return ScreenPixel(rc.left + 2, y) == RGB(0, 0, 0) && ScreenPixel(rc.right - 3, y) == RGB(0, 0, 0);
}

void SendToPage(const CKiosk& kiosk, UINT message, WPARAM wParam) {
    DWORD_PTR result = 0;
    CHECK(::SendMessageTimeoutW(kiosk.Main(), message, wParam, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0);
}

// The camera is away: the preview frame gone, the placeholder in the photo area.
bool ShowsCameraAway(const CKiosk& kiosk) {
    return WaitUntil([&] { return !IsShown(PreviewFrame(kiosk)) && ScreenShowsPlaceholder(kiosk); });
}

// Live again, by itself: the moving pattern within the time allowed.
bool ShowsLiveWithin(const CKiosk& kiosk, DWORD ms) {
    return WaitUntil([&] { return IsShown(PreviewFrame(kiosk)) && ScreenShowsPattern(); }, ms);
}

} // namespace

E2E_TEST(LostCameraShowsPlaceholderAndComesBackByItself) {
    const CameraInstance vanishing{L"0", L"Test Camera", 640, 480, L"vanish"};
    CCameraKiosk camera({vanishing});
    REQUIRE(camera.Live());
    CKiosk& kiosk = camera.Kiosk();
    const StartupLayout layout = ComputeStartupLayout(ScreenWidth(), ScreenHeight());

    // lost: reported by the graph, gone from the list
    REQUIRE(WaitUntil([&] { return !IsListed(L"0"); }, kLostAfterMs + 5000));
    const DWORD lostAt = ::GetTickCount();
    REQUIRE(ShowsCameraAway(kiosk));
    std::printf("  placeholder %lu ms after the device left\n", ::GetTickCount() - lostAt);
    CHECK(LogHas(kiosk, "Camera lost: the graph reported it lost"));
    HoldForScreenshot("camera lost");

    // Photo says so in a notice that goes by itself, and no box
    const size_t logBefore = KioskLog(kiosk).size();
    TapPhoto();
    CHECK(WaitUntil(ScreenShowsNotice, 3000));
    CHECK(LogHas(kiosk, "Shown to the visitor", logBefore));
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
    HoldForScreenshot("notice");
    CHECK(WaitUntil([&] { return !ScreenShowsNotice() && ScreenShowsPlaceholder(kiosk); }, 8000));
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
    CHECK(::GetFileAttributesW((kiosk.Folder() + L"\\photo.bmp").c_str()) == INVALID_FILE_ATTRIBUTES);

    // the kiosk keeps working: Save stores the placeholder
    const POINT save = CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3]);
    Tap(save.x, save.y);
    std::wstring path;
    REQUIRE(WaitUntil([&] { return !(path = OnlyRecord(kiosk)).empty(); }, 5000));
    std::vector<uint8_t> record;
    REQUIRE(WaitUntil([&] {
        record = ReadFileBytes(path);
        return ParseBmpFile(record.data(), record.size()).has_value();
    }));
    CHECK(MatchesPlaceholder(kiosk, [&](int x, int y) {
        return BmpPixel(record, layout.photo.left + x - layout.signCapture.left,
                        layout.photo.top + y - layout.signCapture.top);
    }));
    CHECK(IsShown(kiosk.Main()));
    REQUIRE(IsListed(L"0") == false); // all of the above while it was away

    // back: live again without a touch, and Photo writes a frame
    REQUIRE(WaitUntil([&] { return IsListed(L"0"); }, kBackAfterMs + 5000));
    const DWORD backAt = ::GetTickCount();
    REQUIRE(ShowsLiveWithin(kiosk, kBackWithinMs));
    std::printf("  live %lu ms after the device was listed again\n", ::GetTickCount() - backAt);
    CheckPreviewIsLive();
    CHECK(LogHas(kiosk, "Camera back after"));
    REQUIRE(TakePhoto(kiosk));
    CheckPhotoPattern(CheckPhotoFile(kiosk.Folder() + L"\\photo.bmp", 640, 480));
    CHECK(FindKioskMessageBox(kiosk) == nullptr);
}

E2E_TEST(SleepAndDeviceNewsRebuildTheSameCamera) {
    CCameraKiosk camera({{L"0", L"Zulu Camera", 320, 240, L"preview"}, kTestCamera});
    REQUIRE(camera.Live());
    CKiosk& kiosk = camera.Kiosk();

    // sleep takes the camera down; waking brings it back at once
    SendToPage(kiosk, WM_POWERBROADCAST, PBT_APMSUSPEND);
    REQUIRE(ShowsCameraAway(kiosk));
    SendToPage(kiosk, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC);
    REQUIRE(ShowsLiveWithin(kiosk, kBackWithinMs));
    CheckPreviewIsLive();

    // the chosen device leaves the list: its removal alone loses it
    DeleteKey((std::wstring(kInstanceKey) + L"\\0").c_str());
    SendToPage(kiosk, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED);
    REQUIRE(ShowsCameraAway(kiosk));
    // meanwhile the other camera, now first in the list, is not taken instead;
    // and the looks for the lost one grow to 4 s apart
    CHECK(!WaitUntil([&] { return IsShown(PreviewFrame(kiosk)); }, 4000));
    // its return announced, it is rebuilt at once, well before the next look
    REQUIRE(WriteKey(std::wstring(kInstanceKey) + L"\\0", [](HKEY h) {
        return SetString(h, L"CLSID", kTestCamClsid) && SetDword(h, L"Width", 320) && SetDword(h, L"Height", 240) &&
               SetString(h, L"Mode", L"preview") && SetString(h, L"FriendlyName", L"Zulu Camera");
    }));
    const DWORD backAt = ::GetTickCount();
    SendToPage(kiosk, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED);
    REQUIRE(ShowsLiveWithin(kiosk, 2000));
    std::printf("  live %lu ms after the return was announced\n", ::GetTickCount() - backAt);
    REQUIRE(TakePhoto(kiosk));
    CheckPhotoFile(kiosk.Folder() + L"\\photo.bmp", 320, 240);
}
