// Sign-in records: what Save writes, as a visitor would press it.
#include "Harness.h"

#include "framework/Handle.h"
#include "records/BmpFormat.h"
#include "records/RecordName.h"
#include "records/ShareRules.h"
#include "shell/Layout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace e2e;

namespace {

struct Record {
    std::wstring path;
    std::vector<uint8_t> bytes;
};

// Every file in a folder, with its bytes, in name order.
std::vector<Record> FilesIn(const std::wstring& folder) {
    std::vector<Record> records;
    for (const std::wstring& name : FileNamesIn(folder))
        records.push_back({name, ReadFileBytes(folder + L"\\" + name)});
    return records;
}

// Every file in the record folder, with its bytes.
std::vector<Record> Records(const CKiosk& kiosk) {
    return FilesIn(kiosk.Folder() + L"\\SignIn");
}

POINT CentreOf(const LayoutRect& rc) {
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

std::optional<DWORD> g_dwLastSavePress;

void PressSave() {
    const POINT save = CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3]);
    Tap(save.x, save.y);
    g_dwLastSavePress = ::GetTickCount();
}

// Presses within a second of an accepted save count as one; a kiosk's first
// save always counts.
void WaitPastOneSecondRule() {
    WaitUntil([] { return !g_dwLastSavePress || ::GetTickCount() - *g_dwLastSavePress > 1100; });
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

std::string ShareConfig(const TestShare& share, const char* extra = "") {
    std::string folder;
    for (wchar_t c : share.unc)
        folder += static_cast<char>(c);
    return "[Time]\r\nMinTime=30000\r\n[Share]\r\nFolder=" + folder + "\\velmo   ; the store\r\nKiosk=Entrance-A\r\n" +
           extra;
}

// The name the kiosk gives its temporary copies on the share.
std::wstring ComputerName() {
    wchar_t szComputer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD nComputer = ARRAYSIZE(szComputer);
    return ::GetComputerNameW(szComputer, &nComputer) ? szComputer : L"";
}

std::wstring KioskFolderOn(const TestShare& share) {
    return share.backing + L"\\velmo\\Entrance-A";
}

// The share holds exactly the local records, byte for byte.
bool ShareMirrorsRecords(const CKiosk& kiosk, const TestShare& share) {
    const std::vector<Record> local = Records(kiosk);
    std::vector<std::wstring> names;
    for (const Record& r : local)
        names.push_back(r.path);
    // a file opened here while the kiosk renames it would fail the copy
    if (FileNamesIn(KioskFolderOn(share)) != names)
        return false;
    const std::vector<Record> there = FilesIn(KioskFolderOn(share));
    if (there.size() != local.size())
        return false;
    for (size_t i = 0; i < local.size(); ++i) {
        if (local[i].path != there[i].path || local[i].bytes != there[i].bytes)
            return false;
    }
    return true;
}

bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    return WriteTextFile(path, std::string(bytes.begin(), bytes.end()));
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SaveAndWait(const CKiosk& kiosk, size_t nRecords) {
    WaitPastOneSecondRule();
    PressSave();
    CHECK(WaitUntil([&] { return Records(kiosk).size() == nRecords; }, 5000));
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
    WaitPastOneSecondRule();
    // the visitor is told, on top of the page, and the signature stays; a
    // press right after the failed one is no second press of a saved sign-in
    // but another try: it is told again, and the signature still stays
    DWORD dwPressed = 0;
    for (int nPress = 0; nPress < 2; ++nPress) {
        PressSave();
        if (nPress == 1 && g_dwLastSavePress && *g_dwLastSavePress - dwPressed >= 1000)
            std::printf("  the second press came %lu ms after the first: it shows nothing of the rule\n",
                        static_cast<unsigned long>(*g_dwLastSavePress - dwPressed));
        dwPressed = g_dwLastSavePress.value_or(0);
        HWND hBox = nullptr;
        CHECK(WaitUntil([&] { return (hBox = FindOwnedWindow(kiosk.Main())) != nullptr; }, 5000));
        CHECK(!::IsWindowEnabled(kiosk.Main()));
        CHECK(!PadIsWhiteAt((x0 + x1) / 2, y));
        if (hBox)
            ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
        CHECK(WaitUntil([&] { return ::IsWindowEnabled(kiosk.Main()); }));
    }
    CHECK(!kiosk.HasExited());
    CHECK(IsShown(kiosk.Main()));
    CHECK(!PadIsWhiteAt((x0 + x1) / 2, y));
    // the kiosk still works, and the next save succeeds once the way is clear
    REQUIRE(::DeleteFileW(folder.c_str()));
    WaitPastOneSecondRule();
    PressSave();
    CHECK(WaitUntil([&] { return Records(kiosk).size() == 1; }, 5000));
    CHECK(WaitUntil([&] { return PadIsWhiteAt((x0 + x1) / 2, y); }, 3000));
}

E2E_TEST(KilledMidSaveLeavesNoPartialRecord) {
    std::wstring folder;
    std::vector<uint8_t> whole;
    for (DWORD delay : {0ul, 15ul, 40ul, 80ul}) {
        CKiosk kiosk;
        REQUIRE(kiosk.Started());
        REQUIRE(kiosk.ShowPage());
        PressSave();
        Pause(delay);
        kiosk.Kill();
        folder = kiosk.Folder();
        for (const Record& r : Records(kiosk)) {
            if (r.path.find(L".bmp") == std::wstring::npos)
                continue; // a leftover temporary file is never listed
            const std::optional<DibView> view = ParseBmpFile(r.bytes.data(), r.bytes.size());
            CHECK(view.has_value());
            whole = r.bytes;
        }
    }
    REQUIRE(!whole.empty());
    // what a kill between the flush and the rename leaves, and one in the
    // middle of the write: the next start finishes the one and removes the other
    const std::wstring records = folder + L"\\SignIn\\";
    DeleteTree(records);
    REQUIRE(::CreateDirectoryW(records.c_str(), nullptr));
    REQUIRE(WriteBytes(records + L"~saving-4711.tmp", whole));
    REQUIRE(WriteBytes(records + L"~saving-4712.tmp", std::vector<uint8_t>(whole.begin(), whole.end() - 1)));
    {
        CHandle file(::CreateFileW((records + L"~saving-4711.tmp").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
        const SYSTEMTIME st{2023, 5, 0, 6, 7, 8, 9, 0};
        FILETIME local, ft;
        REQUIRE(::SystemTimeToFileTime(&st, &local) && ::LocalFileTimeToFileTime(&local, &ft));
        REQUIRE(::SetFileTime(file.Get(), nullptr, nullptr, &ft));
    }
    const std::wstring recovered = RecordFileName({2023, 5, 6, 7, 8, 9});
    CKiosk again(CKiosk::Installed{}, folder);
    REQUIRE(again.Started());
    CHECK(WaitUntil([&] { return ReadFileBytes(folder + L"\\" + recovered) == whole; }));
    CHECK(FileNamesIn(records).size() == 1);
}

#define REQUIRE_SHARE(share)                                                                                           \
    do {                                                                                                               \
        if (!(share)) {                                                                                                \
            std::printf("  skipped: no file share can be set up here\n");                                              \
            return;                                                                                                    \
        }                                                                                                              \
    } while (0)

E2E_TEST(RecordsReachTheShareOnceThroughAnOutage) {
    const std::optional<TestShare> share = MakeShare(L"outage");
    REQUIRE_SHARE(share);
    CKiosk kiosk(ShareConfig(*share));
    REQUIRE(kiosk.Started());
    REQUIRE(kiosk.ShowPage());
    for (size_t n = 1; n <= 3; ++n)
        SaveAndWait(kiosk, n);
    CHECK(WaitUntil([&] { return ShareMirrorsRecords(kiosk, *share); }));

    // the kiosk goes on saving while the server is down
    REQUIRE(SetShareOnline(*share, false));
    SaveAndWait(kiosk, 4);
    SaveAndWait(kiosk, 5);
    CHECK(WaitUntil([&] { return LogCount(kiosk.Folder(), "cannot be reached") == 1; }));
    REQUIRE(SetShareOnline(*share, true));
    // the longest pause between attempts by then is well below 30 s
    CHECK(WaitUntil([&] { return ShareMirrorsRecords(kiosk, *share); }, 30000));
    CHECK_EQ(FileNamesIn(KioskFolderOn(*share)).size(), size_t{5});     // none twice, no temporary file
    CHECK_EQ(LogCount(kiosk.Folder(), "cannot be reached"), size_t{1}); // once per outage, not per attempt
    CHECK_EQ(LogCount(kiosk.Folder(), "works again"), size_t{1});
}

E2E_TEST(AShareThatCannotBeWrittenIsNeverSaidToWorkAgain) {
    const std::optional<TestShare> share = MakeShare(L"readonly");
    REQUIRE_SHARE(share);
    CKiosk kiosk(ShareConfig(*share));
    REQUIRE(kiosk.Started() && kiosk.ShowPage());
    // the share lists, but nothing can be written where the copy must go, as
    // on a full or read-only share
    REQUIRE(WaitUntil([&] { return Exists(KioskFolderOn(*share)); }));
    const std::wstring blocker = KioskFolderOn(*share) + L"\\" + ShareTempName(ComputerName(), ProcessOf(kiosk.Main()));
    REQUIRE(::CreateDirectoryW(blocker.c_str(), nullptr));
    SaveAndWait(kiosk, 1);
    CHECK(WaitUntil([&] { return LogCount(kiosk.Folder(), "cannot be reached or written") == 1; }));
    // retries after 1, 2 and 4 s: none of them says the share works
    CHECK(!WaitUntil([&] { return LogCount(kiosk.Folder(), "works again") > 0; }, 8000));
    CHECK_EQ(LogCount(kiosk.Folder(), "cannot be reached or written"), size_t{1});
    REQUIRE(::RemoveDirectoryW(blocker.c_str()));
    CHECK(WaitUntil([&] { return ShareMirrorsRecords(kiosk, *share); }, 30000));
    CHECK_EQ(LogCount(kiosk.Folder(), "works again"), size_t{1});
    CHECK_EQ(LogCount(kiosk.Folder(), "cannot be reached or written"), size_t{1});
}

E2E_TEST(ARecordHeldOpenIsCopiedOnceReleased) {
    const std::optional<TestShare> share = MakeShare(L"locked");
    REQUIRE_SHARE(share);
    CKiosk kiosk(ShareConfig(*share));
    REQUIRE(kiosk.Started() && kiosk.ShowPage());
    SaveAndWait(kiosk, 1);
    REQUIRE(WaitUntil([&] { return ShareMirrorsRecords(kiosk, *share); }));
    // a record a virus scanner or a backup holds while the next save wakes the copier
    const std::wstring held = NameDaysAgo(1);
    REQUIRE(WriteBytes(kiosk.Folder() + L"\\SignIn\\" + held, Records(kiosk)[0].bytes));
    CHandle lock(::CreateFileW((kiosk.Folder() + L"\\SignIn\\" + held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               0, nullptr));
    REQUIRE(lock);
    SaveAndWait(kiosk, 3);
    CHECK(WaitUntil([&] { return LogCount(kiosk.Folder(), "cannot be read now") == 1; }));
    CHECK(WaitUntil([&] { return FileNamesIn(KioskFolderOn(*share)).size() == 2; }));
    CHECK(!Exists(KioskFolderOn(*share) + L"\\" + held));
    // no new save comes: the pause after the failed pass brings it round
    lock.Reset();
    CHECK(WaitUntil([&] { return ShareMirrorsRecords(kiosk, *share); }, 10000));
    CHECK_EQ(LogCount(kiosk.Folder(), "cannot be reached"), size_t{0});
}

E2E_TEST(AShareThatIsTheRecordFolderItselfIsRefused) {
    const std::optional<TestShare> share = MakeShare(L"self");
    struct Case {
        const char* name;
        std::wstring program; // the kiosk's program folder
        std::wstring folder;  // [Share] Folder, reaching it by another path
    };
    std::vector<Case> cases;
    {
        CKiosk kiosk;
        REQUIRE(kiosk.Started());
        kiosk.Kill();
        std::wstring upper = kiosk.Folder();
        for (wchar_t& c : upper)
            c = static_cast<wchar_t>(::towupper(c));
        cases.push_back({"a drive path in other letters", kiosk.Folder(), upper});
    }
    if (share) {
        // the kiosk installed inside the share, the share named by its UNC path
        CopyFolder(BuildProgramFolder(), share->backing + L"\\Velmo");
        cases.push_back({"the share's path", share->backing + L"\\Velmo", share->unc + L"\\Velmo"});
    }
    for (const Case& c : cases) {
        std::printf("  %s\n", c.name);
        const std::wstring records = c.program + L"\\SignIn\\";
        DeleteTree(records);
        DeleteTree(c.program + L"\\Logs");
        REQUIRE(::CreateDirectoryW(records.c_str(), nullptr));
        const std::wstring old = NameDaysAgo(40);
        REQUIRE(WriteBytes(records + old, ReadFileBytes(c.program + L"\\Picture\\photobk.bmp")));
        REQUIRE(WriteTextFile(c.program + L"\\Config.ini",
                              "[Share]\r\nFolder=" + std::string(c.folder.begin(), c.folder.end()) +
                                  "\r\nKiosk=signin\r\n[Records]\r\nKeepDays=30\r\n"));
        CKiosk kiosk(CKiosk::Installed{}, c.program);
        REQUIRE(kiosk.Started());
        CHECK(WaitUntil([&] { return LogCount(c.program, "own SignIn folder") == 1; }));
        CHECK(WaitUntil([&] { return LogCount(c.program, "until they are on the share") == 1; }));
        // the only copy stays, and nothing was copied onto itself
        CHECK(Exists(records + old));
        CHECK_EQ(FileNamesIn(records).size(), size_t{1});
        CHECK_EQ(LogCount(c.program, "Share: copied"), size_t{0});
    }
}

E2E_TEST(CopyCutShortOrClashingArrivesWholeAndOnce) {
    const std::optional<TestShare> share = MakeShare(L"restart");
    REQUIRE_SHARE(share);
    const std::wstring there = KioskFolderOn(*share);
    std::wstring folder;
    Record record;
    {
        CKiosk kiosk(ShareConfig(*share));
        REQUIRE(kiosk.Started());
        REQUIRE(kiosk.ShowPage());
        SaveAndWait(kiosk, 1);
        REQUIRE(WaitUntil([&] { return ShareMirrorsRecords(kiosk, *share); }));
        kiosk.Kill();
        folder = kiosk.Folder();
        record = Records(kiosk)[0];
    }
    // what a kill in the middle of the copy leaves: the record here, part of
    // it there; another kiosk's copy in flight in the same folder stays
    REQUIRE(::DeleteFileW((there + L"\\" + record.path).c_str()));
    REQUIRE(WriteBytes(there + L"\\" + ShareTempName(ComputerName(), 999),
                       std::vector<uint8_t>(record.bytes.begin(), record.bytes.begin() + record.bytes.size() / 2)));
    const std::wstring othersTemp = ShareTempName(L"OTHER-KIOSK", 999);
    REQUIRE(WriteTextFile(there + L"\\" + othersTemp, "in flight"));
    const auto copyName = [](const std::wstring& name) { return name.substr(0, name.size() - 4) + L"(2).bmp"; };
    // an older record whose name is taken on the share by a file of another
    // origin, and one whose copy there was damaged in the middle: neither is
    // taken for copied for its name and size
    const std::wstring older = NameDaysAgo(400), damaged = NameDaysAgo(300);
    REQUIRE(WriteBytes(folder + L"\\SignIn\\" + older, record.bytes));
    REQUIRE(WriteTextFile(there + L"\\" + older, "not this kiosk's record"));
    REQUIRE(WriteBytes(folder + L"\\SignIn\\" + damaged, record.bytes));
    std::vector<uint8_t> damagedBytes = record.bytes;
    damagedBytes[damagedBytes.size() / 2] ^= 0x40;
    REQUIRE(WriteBytes(there + L"\\" + damaged, damagedBytes));
    const auto arrived = [&] {
        return FileNamesIn(there).size() == 6 && ReadFileBytes(there + L"\\" + record.path) == record.bytes &&
               ReadFileBytes(there + L"\\" + copyName(older)) == record.bytes &&
               ReadFileBytes(there + L"\\" + copyName(damaged)) == record.bytes;
    };
    {
        CKiosk again(CKiosk::Installed{}, folder);
        REQUIRE(again.Started());
        CHECK(WaitUntil(arrived));
        // the other files are left as they were
        CHECK(ReadFileBytes(there + L"\\" + older).size() == 23);
        CHECK(ReadFileBytes(there + L"\\" + damaged) == damagedBytes);
        CHECK(Exists(there + L"\\" + othersTemp));
    }
    // started once more: everything is compared and found there, nothing is copied twice
    CKiosk third(CKiosk::Installed{}, folder);
    REQUIRE(third.Started());
    REQUIRE(third.ShowPage());
    SaveAndWait(third, 4);
    CHECK(WaitUntil([&] { return FileNamesIn(there).size() == 7; }));
    CHECK(WaitUntil([&] { return LogCount(third.Folder(), "records were on the share already") == 1; }));
    CHECK(ReadFileBytes(there + L"\\" + copyName(older)) == record.bytes);
    CHECK(!Exists(there + L"\\" + older.substr(0, older.size() - 4) + L"(3).bmp"));
    CHECK_EQ(LogCount(third.Folder(), "Share: copied"), size_t{5}); // one line per copy, over all three runs
}

E2E_TEST(ClashesFoundAfterAnOutageTakeTheNextNameInBoundedMemory) {
    const std::optional<TestShare> share = MakeShare(L"clash");
    REQUIRE_SHARE(share);
    CKiosk kiosk(ShareConfig(*share));
    REQUIRE(kiosk.Started() && kiosk.ShowPage());
    SaveAndWait(kiosk, 1);
    REQUIRE(WaitUntil([&] { return ShareMirrorsRecords(kiosk, *share); }));
    REQUIRE(SetShareOnline(*share, false));
    SaveAndWait(kiosk, 2);
    SaveAndWait(kiosk, 3);
    REQUIRE(WaitUntil([&] { return LogCount(kiosk.Folder(), "cannot be reached") == 1; }));
    // while the share is away, files come under the names of the two records
    // saved meanwhile: one of the same size with other bytes (every record of
    // one screen has the same size), and a sparse one of 2 GB
    const std::vector<Record> local = Records(kiosk);
    const std::wstring offline = share->backing + L"-off\\velmo\\Entrance-A\\";
    std::vector<uint8_t> other = local[1].bytes;
    other[other.size() / 2] ^= 0x01;
    REQUIRE(WriteBytes(offline + local[1].path, other));
    {
        CHandle huge(::CreateFileW((offline + local[2].path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        REQUIRE(huge);
        DWORD nReturned = 0;
        ::DeviceIoControl(huge.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &nReturned, nullptr);
        LARGE_INTEGER size{};
        size.QuadPart = 2'000'000'000;
        REQUIRE(::SetFilePointerEx(huge.Get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(huge.Get()));
    }
    const SIZE_T before = kiosk.PrivateBytes();
    REQUIRE(before > 0);
    SIZE_T peak = before;
    REQUIRE(SetShareOnline(*share, true));
    const std::wstring there = KioskFolderOn(*share) + L"\\";
    const auto copyName = [](const std::wstring& name) { return name.substr(0, name.size() - 4) + L"(2).bmp"; };
    CHECK(WaitUntil(
        [&] {
            peak = std::max(peak, kiosk.PrivateBytes());
            return ReadFileBytes(there + copyName(local[1].path)) == local[1].bytes &&
                   ReadFileBytes(there + copyName(local[2].path)) == local[2].bytes;
        },
        30000));
    std::printf("  private bytes %zu MB before, at most %zu MB while the share was compared\n",
                static_cast<size_t>(before >> 20), static_cast<size_t>(peak >> 20));
    CHECK(peak < (150u << 20));
    CHECK(!kiosk.HasExited());
    CHECK(ReadFileBytes(there + local[1].path) == other);
    CHECK_EQ(FileNamesIn(KioskFolderOn(*share)).size(), size_t{5});
}

// Windows ending the session right after a save, while the copy to the
// share may be under way: the kiosk ends within 5 s, leaves no temporary
// file here or there, and its next start copies what is missing.
E2E_TEST(EndOfSessionEndsTheKioskWithNothingHalfDone) {
    const std::optional<TestShare> share = MakeShare(L"session");
    REQUIRE_SHARE(share);
    std::wstring folder;
    {
        CKiosk kiosk(ShareConfig(*share));
        REQUIRE(kiosk.Started());
        REQUIRE(kiosk.ShowPage());
        SaveAndWait(kiosk, 1);
        WaitPastOneSecondRule();
        PressSave();
        DWORD_PTR allowed = FALSE;
        CHECK(::SendMessageTimeoutW(kiosk.Main(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &allowed));
        CHECK(allowed == TRUE);
        const DWORD dwSent = ::GetTickCount();
        ::SendMessageTimeoutW(kiosk.Main(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, nullptr);
        CHECK(kiosk.HasExited(5000 - std::min<DWORD>(::GetTickCount() - dwSent, 5000)));
        CHECK(FileNamesIn(kiosk.Folder() + L"\\SignIn", L"*.tmp").empty());
        CHECK(FileNamesIn(KioskFolderOn(*share), L"*.tmp").empty());
        for (const Record& r : Records(kiosk))
            CHECK(ParseBmpFile(r.bytes.data(), r.bytes.size()).has_value());
        CHECK_EQ(LogCount(kiosk, "End of session: Windows shuts down or restarts"), size_t{1});
        folder = kiosk.Folder();
    }
    CKiosk again(CKiosk::Installed{}, folder);
    REQUIRE(again.Started());
    CHECK_EQ(Records(again).size(), size_t{2});
    CHECK(WaitUntil([&] { return ShareMirrorsRecords(again, *share); }));
}

E2E_TEST(RetentionDeletesOldRecordsOnlyOnceTheyAreSafe) {
    const std::optional<TestShare> share = MakeShare(L"retention");
    std::wstring folder;
    {
        CKiosk kiosk("[Records]\r\nKeepDays=30\r\n");
        REQUIRE(kiosk.Started());
        kiosk.Kill();
        folder = kiosk.Folder();
    }
    const std::wstring records = folder + L"\\SignIn\\";
    const std::vector<uint8_t> bytes = ReadFileBytes(folder + L"\\Picture\\photobk.bmp");
    const std::wstring old = NameDaysAgo(40), recent = NameDaysAgo(10);
    for (const std::wstring& name : {old, recent, std::wstring(L"unnamed-old.bmp"), std::wstring(L"unnamed.bmp")})
        REQUIRE(WriteBytes(records + name, bytes));
    // a name without a date: the file's time counts
    {
        HANDLE h = ::CreateFileW((records + L"unnamed-old.bmp").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        REQUIRE(h != INVALID_HANDLE_VALUE);
        FILETIME ft;
        ::GetSystemTimeAsFileTime(&ft);
        ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
        u.QuadPart -= ULONGLONG{40} * 86400 * 10000000;
        ft = {u.LowPart, u.HighPart};
        ::SetFileTime(h, nullptr, nullptr, &ft);
        ::CloseHandle(h);
    }
    {
        CKiosk kiosk(CKiosk::Installed{}, folder);
        REQUIRE(kiosk.Started());
        CHECK(WaitUntil([&] { return !Exists(records + old) && !Exists(records + L"unnamed-old.bmp"); }));
        CHECK(Exists(records + recent));
        CHECK(Exists(records + L"unnamed.bmp"));
        CHECK_EQ(LogCount(kiosk.Folder(), "Retention: deleted"), size_t{2});
    }
    REQUIRE_SHARE(share);
    // with a share that is down, an old record is kept until it is there
    REQUIRE(WriteBytes(records + old, bytes));
    REQUIRE(SetShareOnline(*share, false));
    REQUIRE(WriteTextFile(folder + L"\\Config.ini", ShareConfig(*share, "[Records]\r\nKeepDays=30\r\n")));
    CKiosk kiosk(CKiosk::Installed{}, folder);
    REQUIRE(kiosk.Started());
    CHECK(WaitUntil([&] { return LogCount(kiosk.Folder(), "until they are on the share") == 1; }));
    CHECK(Exists(records + old));
    // copied while a visitor pages through the history: it goes once the history is closed
    REQUIRE(kiosk.ShowPage());
    const POINT history = CentreOf(ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[0]);
    Tap(history.x, history.y);
    HWND hHistory = nullptr;
    REQUIRE(WaitUntil([&] { return (hHistory = FindOwnedWindow(kiosk.Main())) != nullptr; }));
    REQUIRE(SetShareOnline(*share, true));
    CHECK(WaitUntil([&] { return LogCount(kiosk.Folder(), "waits until the history is closed") == 1; }, 30000));
    CHECK(ReadFileBytes(KioskFolderOn(*share) + L"\\" + old) == bytes);
    CHECK(Exists(records + old));
    ::PostMessageW(hHistory, WM_COMMAND, IDCANCEL, 0);
    CHECK(WaitUntil([&] { return !Exists(records + old); }));
    CHECK(Exists(records + recent));
}
