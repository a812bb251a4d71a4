// Months of visitors in an hour, driving the real Velmo.exe: N whole visits
// (a signature, a photo from the test camera, Save, the history, then the
// idle return to the launcher) with a file share set and taken away for ten
// visits in the middle. Every 100 visits it prints what the kiosk holds
// (kernel handles, GDI and USER objects, or under Wine, which counts none,
// resident anonymous memory; private bytes) and what it kept: records saved,
// records on the share byte for byte, files on the share. A benchmark, not a
// test: run from build/windows as
// `wine explorer /desktop=soak,1920x1080 e2e/bench_soak.exe [visits]`.
#include "tests/e2e/Harness.h"
#include "tests/e2e/TestCamSetup.h"

#include "shell/Layout.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <utility>

using namespace e2e;

namespace {

constexpr int kPreviewFrameId = 1011;
constexpr int kOutageVisits = 10;

// The centre of a button of the page.
POINT Button(PageButton button) {
    const LayoutRect rc = ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[static_cast<int>(button)];
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

ULONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Records whose copy on the share holds the same bytes; a record found equal
// once is not read again until `recheck`.
class CShareTally {
public:
    CShareTally(std::wstring records, std::wstring there) : m_records(std::move(records)), m_there(std::move(there)) {}
    size_t Equal(bool bRecheck = false) {
        if (bRecheck)
            m_equal.clear();
        for (const std::wstring& name : FileNamesIn(m_records, L"*.bmp")) {
            if (m_equal.count(name))
                continue;
            const std::vector<uint8_t> local = ReadFileBytes(m_records + L"\\" + name);
            if (!local.empty() && local == ReadFileBytes(m_there + L"\\" + name))
                m_equal.insert(name);
        }
        return m_equal.size();
    }
    const std::wstring& There() const { return m_there; }

private:
    std::wstring m_records, m_there;
    std::set<std::wstring> m_equal;
};

class CSoak {
public:
    CSoak(CKiosk& kiosk, std::wstring there)
        : m_kiosk(kiosk), m_records(kiosk.Folder() + L"\\SignIn"), m_tally(m_records, std::move(there)) {}

    // One visitor from the launcher back to the launcher; false with what failed.
    bool Visit(const char*& pszFailed) {
        pszFailed = "page";
        if (!m_kiosk.ShowPage())
            return false;
        pszFailed = "live preview";
        const HWND hPreview = ::GetDlgItem(m_kiosk.Main(), kPreviewFrameId);
        if (!WaitUntil([&] { return IsShown(hPreview); }))
            return false;
        // a signature across the pad, a little lower each visit
        const StartupLayout layout = ComputeStartupLayout(ScreenWidth(), ScreenHeight());
        const int y = layout.pad.top + layout.pad.Height() / 4 + (m_nVisits % 8) * layout.pad.Height() / 16;
        Stroke({layout.pad.left + 100, y}, {layout.pad.left + layout.pad.Width() / 2, y}, 12);
        pszFailed = "photo";
        const std::wstring photo = m_kiosk.Folder() + L"\\photo.bmp";
        const POINT photoButton = Button(PageButton::Photo);
        // beside the last tap on it, so that two visits' taps make no double click
        Tap(photoButton.x + (m_nVisits % 2) * (::GetSystemMetrics(SM_CXDOUBLECLK) + 8), photoButton.y);
        if (!WaitUntil([&] { return FileSize(photo) > 54 && !IsShown(hPreview); }))
            return false;
        pszFailed = "save";
        const size_t nBefore = FileNamesIn(m_records, L"*.bmp").size();
        const POINT save = Button(PageButton::Save);
        Tap(save.x, save.y);
        if (!WaitUntil([&] { return FileNamesIn(m_records, L"*.bmp").size() == nBefore + 1; }))
            return false;
        pszFailed = "history";
        const POINT history = Button(PageButton::History);
        Tap(history.x, history.y);
        if (!WaitUntil([&] { return FindOwnedWindow(m_kiosk.Main()) != nullptr; }))
            return false;
        // nobody touches it: the history and the page go, the launcher comes
        pszFailed = "idle return";
        if (!WaitUntil([&] { return !IsShown(m_kiosk.Main()) && IsShown(m_kiosk.Popup()); }, 15000))
            return false;
        ++m_nVisits;
        return true;
    }

    void PrintCounts(double msPerVisit, bool bRecheck = false) {
        std::printf("%5d visits  %6.0f ms/visit  handles %4lu  GDI %4lu  USER %4lu", m_nVisits, msPerVisit,
                    m_kiosk.KernelHandles(), m_kiosk.GdiObjects(), m_kiosk.UserObjects());
        if (RunningUnderWine())
            std::printf("  anon %7lu KiB", m_kiosk.WineAnonKiB());
        std::printf("  private %7lu KiB  saved %4zu  on the share byte-equal %4zu  files there %4zu\n",
                    static_cast<unsigned long>(m_kiosk.PrivateBytes() / 1024), FileNamesIn(m_records, L"*.bmp").size(),
                    m_tally.Equal(bRecheck), FileNamesIn(m_tally.There()).size());
        std::fflush(stdout);
    }

    size_t Saved() const { return FileNamesIn(m_records, L"*.bmp").size(); }
    CShareTally& Tally() { return m_tally; }

private:
    CKiosk& m_kiosk;
    std::wstring m_records;
    CShareTally m_tally;
    int m_nVisits = 0;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int nVisits = argc > 1 ? _wtoi(argv[1]) : 500;
    const std::optional<TestShare> share = MakeShare(L"soak");
    if (!share) {
        std::printf("needs a file share: under Wine with WINEPREFIX set, one under dosdevices\\unc\n");
        return 1;
    }
    const CCameraSetup camera({{L"0", L"Test Camera", 640, 480, L"preview"}});
    if (!camera.Ok()) {
        std::printf("needs TestCam.dll beside this program and a writable registry\n");
        return 1;
    }
    const std::string unc(share->unc.begin(), share->unc.end());
    CKiosk kiosk("[Time]\r\nMinTime=2000\r\n[Share]\r\nFolder=" + unc + "\\velmo\r\nKiosk=soak\r\n");
    if (!kiosk.Started()) {
        std::printf("the kiosk did not start\n");
        return 1;
    }
    CSoak soak(kiosk, share->backing + L"\\velmo\\soak");
    const int nOutage = nVisits / 2;
    double start = NowMs();
    for (int n = 1; n <= nVisits; ++n) {
        if (n == nOutage || n == nOutage + kOutageVisits) {
            const bool bOnline = n != nOutage;
            // on Windows the folder cannot move while the kiosk has a file open in it
            if (!WaitUntil([&] { return SetShareOnline(*share, bOnline); })) {
                std::printf("the share could not be taken %s\n", bOnline ? "back" : "away");
                return 1;
            }
            std::printf("      share %s before visit %d\n", bOnline ? "back" : "away", n);
        }
        const char* pszFailed = "";
        if (!soak.Visit(pszFailed)) {
            std::printf("visit %d stopped at: %s\n", n, pszFailed);
            soak.PrintCounts(0);
            return 1;
        }
        if (n % 100 == 0 || n == nVisits) {
            soak.PrintCounts((NowMs() - start) / (n % 100 ? n % 100 : 100));
            start = NowMs();
        }
    }
    // the last copies, then every record compared again
    const size_t nSaved = soak.Saved();
    WaitUntil([&] { return soak.Tally().Equal() == nSaved; }, 60000);
    std::printf("end: ");
    soak.PrintCounts(0, true);
    std::printf("\"Share: copied\" lines %zu, \"cannot be reached\" %zu, \"works again\" %zu\n",
                LogCount(kiosk.Folder(), "Share: copied"), LogCount(kiosk.Folder(), "cannot be reached"),
                LogCount(kiosk.Folder(), "works again"));
    return kiosk.HasExited() ? 1 : 0;
}
