// Sign-in records: what Save writes, as a visitor would press it.
#include "Harness.h"

#include "records/BmpFormat.h"
#include "shell/Layout.h"

#include <cstdio>
#include <optional>

using namespace e2e;

namespace {

struct Record {
    std::wstring path;
    std::vector<uint8_t> bytes;
};

// Every file in the record folder, with its bytes.
std::vector<Record> Records(const CKiosk& kiosk) {
    std::vector<Record> records;
    const std::wstring folder = kiosk.Folder() + L"\\SignIn";
    WIN32_FIND_DATAW data;
    HANDLE hFind = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return records;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            records.push_back({data.cFileName, ReadFileBytes(folder + L"\\" + data.cFileName)});
    } while (::FindNextFileW(hFind, &data));
    ::FindClose(hFind);
    return records;
}

POINT CentreOf(const LayoutRect& rc) {
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// A slow horizontal stroke across the pad at height y.
void WriteStroke(int x0, int x1, int y) {
    MoveTo(x0, y);
    Press(x0, y);
    for (int x = x0; x <= x1; x += 3)
        MoveTo(x, y);
    Release(x1, y);
    Pause(300);
}

void PressSave() {
    const POINT save = CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3]);
    Tap(save.x, save.y);
}

bool PadIsWhiteAt(int x, int y) {
    return ColorNear(ScreenPixel(x, y), RGB(255, 255, 255), 12);
}

} // namespace

E2E_TEST(SaveWritesWhatTheVisitorSaw) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    const StartupLayout layout = ComputeStartupLayout(ScreenWidth(), ScreenHeight());
    // red ink: the second cell of the left palette column
    const int cellHeight = layout.palette.Height() / 9;
    Tap(layout.palette.left + layout.palette.Width() / 4, layout.palette.top + cellHeight + cellHeight / 2);
    const int y = (layout.pad.top + layout.pad.bottom) / 2;
    const int x0 = layout.pad.left + 100, x1 = layout.pad.left + 400;
    WriteStroke(x0, x1, y);
    REQUIRE(WaitUntil([&] { return !PadIsWhiteAt((x0 + x1) / 2, y); }, 3000));
    const DWORD pressedAt = ::GetTickCount();
    PressSave();
    REQUIRE(WaitUntil([&] { return Records(kiosk).size() == 1; }, 5000));
    std::printf("  record on disk %lu ms after the press (input delivery included)\n",
                static_cast<unsigned long>(::GetTickCount() - pressedAt));
    const Record record = Records(kiosk)[0];
    const std::optional<DibView> view = ParseBmpFile(record.bytes.data(), record.bytes.size());
    REQUIRE(view.has_value());
    CHECK_EQ(view->width, layout.signCapture.Width());
    CHECK_EQ(view->height, layout.signCapture.Height());
    if (ScreenWidth() == 1920 && view->bitCount == 32)
        CHECK_EQ(record.bytes.size(), size_t{5174574});
    // the ink where it was written, the page's white pad beside it
    const COLORREF ink = BmpPixel(record.bytes, (x0 + x1) / 2 - layout.signCapture.left, y - layout.signCapture.top);
    // red ink (dense strokes saturate toward dark red)
    CHECK(GetRValue(ink) > GetGValue(ink) + 40 && GetRValue(ink) > GetBValue(ink) + 40);
    const COLORREF paper =
        BmpPixel(record.bytes, (x0 + x1) / 2 - layout.signCapture.left, y - 60 - layout.signCapture.top);
    CHECK(ColorNear(paper, RGB(255, 255, 255), 10));
    // no photo taken: the placeholder fills the photo area
    const std::vector<uint8_t> placeholder = ReadFileBytes(kiosk.Folder() + L"\\Picture\\photobk.bmp");
    const POINT photo = CentreOf(layout.photo);
    const COLORREF expected = BmpPixel(placeholder, 320, 60); // the card's plain top
    const COLORREF got = BmpPixel(record.bytes, photo.x - layout.signCapture.left,
                                  layout.photo.top + layout.photo.Height() / 8 - layout.signCapture.top);
    CHECK(ColorNear(got, expected, 24));
    // the pad is empty after the press
    CHECK(WaitUntil([&] { return PadIsWhiteAt((x0 + x1) / 2, y); }, 3000));
    // for the independent reader run after this test
    ::CopyFileW((kiosk.Folder() + L"\\SignIn\\" + record.path).c_str(), L"last-record.bmp", FALSE);
}

E2E_TEST(OneSecondRuleAndThePadClearsEveryTime) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    const StartupLayout layout = ComputeStartupLayout(ScreenWidth(), ScreenHeight());
    const int y = (layout.pad.top + layout.pad.bottom) / 2;
    const int x0 = layout.pad.left + 100, x1 = layout.pad.left + 300;
    WriteStroke(x0, x1, y);
    REQUIRE(WaitUntil([&] { return !PadIsWhiteAt((x0 + x1) / 2, y); }, 3000));
    PressSave();
    CHECK(WaitUntil([&] { return PadIsWhiteAt((x0 + x1) / 2, y); }, 3000));
    // a quick stroke and a second press 600 ms after the first: ignored, but the pad clears
    MoveTo(x0, y);
    Press(x0, y);
    MoveTo(x0 + 30, y);
    Release(x0 + 30, y);
    REQUIRE(WaitUntil([&] { return !PadIsWhiteAt(x0 + 15, y); }, 3000));
    PressSave();
    CHECK(WaitUntil([&] { return PadIsWhiteAt(x0 + 15, y); }, 3000));
    Pause(1500);
    CHECK_EQ(Records(kiosk).size(), size_t{1});
    PressSave(); // more than a second later, in another second: a second record
    CHECK(WaitUntil([&] { return Records(kiosk).size() == 2; }, 5000));
}

E2E_TEST(MissingFolderIsMadeAndABlockedOneLosesNothingElse) {
    CKiosk kiosk;
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    const std::wstring folder = kiosk.Folder() + L"\\SignIn";
    REQUIRE(::RemoveDirectoryW(folder.c_str()));
    PressSave();
    CHECK(WaitUntil([&] { return Records(kiosk).size() == 1; }, 5000));

    // a file where the folder should be: nothing can be written there
    for (const Record& r : Records(kiosk))
        ::DeleteFileW((folder + L"\\" + r.path).c_str());
    REQUIRE(::RemoveDirectoryW(folder.c_str()));
    REQUIRE(WriteTextFile(folder, "not a folder"));
    const StartupLayout layout = ComputeStartupLayout(ScreenWidth(), ScreenHeight());
    const int y = (layout.pad.top + layout.pad.bottom) / 2;
    const int x0 = layout.pad.left + 100, x1 = layout.pad.left + 300;
    WriteStroke(x0, x1, y);
    REQUIRE(WaitUntil([&] { return !PadIsWhiteAt((x0 + x1) / 2, y); }, 3000));
    Pause(1100);
    PressSave();
    // the visitor is told, on top of the page, and the signature stays
    HWND hBox = nullptr;
    CHECK(WaitUntil([&] { return (hBox = FindOwnedWindow(kiosk.Main())) != nullptr; }, 5000));
    CHECK(!::IsWindowEnabled(kiosk.Main()));
    CHECK(!PadIsWhiteAt((x0 + x1) / 2, y));
    if (hBox)
        ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    CHECK(WaitUntil([&] { return ::IsWindowEnabled(kiosk.Main()); }));
    CHECK(!kiosk.HasExited());
    CHECK(IsShown(kiosk.Main()));
    CHECK(!PadIsWhiteAt((x0 + x1) / 2, y));
    // the kiosk still works, and the next save succeeds once the way is clear
    REQUIRE(::DeleteFileW(folder.c_str()));
    Pause(1100);
    PressSave();
    CHECK(WaitUntil([&] { return Records(kiosk).size() == 1; }, 5000));
    CHECK(WaitUntil([&] { return PadIsWhiteAt((x0 + x1) / 2, y); }, 3000));
}

E2E_TEST(KilledMidSaveLeavesNoPartialRecord) {
    for (DWORD delay : {0ul, 15ul, 40ul, 80ul}) {
        CKiosk kiosk;
        REQUIRE(kiosk.Started());
        REQUIRE(kiosk.ShowPage());
        Pause(1100);
        PressSave();
        Pause(delay);
        kiosk.Kill();
        for (const Record& r : Records(kiosk)) {
            if (r.path.find(L".bmp") == std::wstring::npos)
                continue; // a leftover temporary file is never listed
            const std::optional<DibView> view = ParseBmpFile(r.bytes.data(), r.bytes.size());
            CHECK(view.has_value());
        }
    }
}
