// Records on a file share, driving the real Velmo.exe: Save -> the record on
// the share (median of 10, and the part after the local record was written),
// and the catch-up of 1000 pending records after a start, each beside a plain
// CopyFileW of the same files to the same share in the same run; then a
// start with all of them on the share, each compared once, and a save in the
// middle of that. Under Wine the share is a folder of the prefix's
// dosdevices\unc; run from build/windows as
// `wine explorer /desktop=bench,1920x1080 e2e/bench_share.exe [count]`.
#include "tests/e2e/Harness.h"

#include "records/RecordName.h"
#include "shell/Layout.h"

#include <algorithm>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace e2e;

namespace {

// Polls tighter than WaitUntil: these are the figures.
bool WaitFor(const std::function<bool()>& condition, double timeoutMs) {
    const double start = NowMs();
    while (!condition()) {
        if (NowMs() - start > timeoutMs)
            return false;
        ::Sleep(1);
    }
    return true;
}

std::string Narrow(const std::wstring& s) {
    return std::string(s.begin(), s.end());
}

// Milliseconds of the day of a log line's time stamp "2024-03-07 09:05:03.044".
double LogTime(const std::string& line) {
    int h = 0, m = 0, s = 0, ms = 0;
    if (std::sscanf(line.c_str() + 11, "%d:%d:%d.%d", &h, &m, &s, &ms) != 4)
        return -1;
    return ((h * 60 + m) * 60 + s) * 1000.0 + ms;
}

// From each "Saved" line to the "Share: copied" line of the same record: the
// kiosk's own clock, free of this program's polling.
std::vector<double> LogLags(const std::wstring& folder) {
    const std::string log = KioskLog(folder);
    std::vector<double> lags;
    double saved = -1;
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = log.substr(start, end - start);
        if (line.find(" Saved ") != std::string::npos)
            saved = LogTime(line);
        else if (line.find(" Share: copied ") != std::string::npos && saved >= 0) {
            lags.push_back(LogTime(line) - saved);
            saved = -1;
        }
    }
    return lags;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int nCatchUp = argc > 1 ? _wtoi(argv[1]) : 1000;
    const std::optional<TestShare> share = MakeShare(L"bench");
    if (!share) {
        std::printf("needs a file share: under Wine with WINEPREFIX set, one under dosdevices\\unc\n");
        return 1;
    }
    const std::wstring& unc = share->unc;
    const std::wstring& backing = share->backing;
    const std::wstring there = backing + L"\\velmo\\bench";
    const std::string config = "[Share]\r\nFolder=" + Narrow(unc) + "\\velmo\r\nKiosk=bench\r\n";
    std::wstring folder;
    {
        CKiosk kiosk(config);
        if (!kiosk.Started() || !kiosk.ShowPage())
            return 1;
        folder = kiosk.Folder();
        const LayoutRect save = ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3];
        std::vector<double> toShare, plain;
        for (size_t n = 1; n <= 10; ++n) {
            Pause(1100);
            const double pressed = NowMs();
            Tap((save.left + save.right) / 2, (save.top + save.bottom) / 2);
            if (!WaitFor([&] { return FileNamesIn(there, L"*.bmp").size() == n; }, 10000))
                return 1;
            toShare.push_back(NowMs() - pressed);
            const std::wstring name = FileNamesIn(folder + L"\\SignIn", L"*.bmp").back();
            const double start = NowMs();
            ::CopyFileW((folder + L"\\SignIn\\" + name).c_str(), (backing + L"\\plain-" + name).c_str(), TRUE);
            plain.push_back(NowMs() - start);
        }
        std::printf("Save press -> record on the share: %.1f ms median (input and composing included); "
                    "the log's Saved -> copied: %.1f ms median; plain CopyFileW of a record to the share %.1f ms\n",
                    Median(toShare), Median(LogLags(folder)), Median(plain));
        kiosk.Kill();
    }

    // records saved while the share was down: copies of a real one under
    // names one second apart
    const std::wstring records = folder + L"\\SignIn\\";
    const std::wstring sample = records + FileNamesIn(folder + L"\\SignIn", L"*.bmp").back();
    DeleteTree(backing + L"\\velmo");
    std::vector<std::wstring> names;
    for (int i = 0; i < nCatchUp; ++i) {
        const int s = i % 60, m = (i / 60) % 60, h = i / 3600;
        const std::wstring path = RecordFileName({2020, 1, 1, h, m, s});
        names.push_back(path.substr(path.find(L'\\') + 1));
        ::CopyFileW(sample.c_str(), (records + names.back()).c_str(), FALSE);
    }
    const size_t total = FileNamesIn(folder + L"\\SignIn", L"*.bmp").size();
    double catchUp = 0;
    {
        const double start = NowMs();
        CKiosk kiosk(CKiosk::Installed{}, folder);
        if (!kiosk.Started() || !WaitFor([&] { return FileNamesIn(there, L"*.bmp").size() == total; }, 600000))
            return 1;
        catchUp = NowMs() - start;
    }
    // started again with every record on the share: each is compared once,
    // in passes of at most 2 s, and a save meanwhile is copied between two
    double verified = 0, saveDuringVerification = 0;
    {
        const double start = NowMs();
        CKiosk kiosk(CKiosk::Installed{}, folder);
        if (!kiosk.Started() || !kiosk.ShowPage())
            return 1;
        const LayoutRect save = ComputePressRegions(ScreenWidth(), ScreenHeight()).buttons[3];
        const double pressed = NowMs();
        Tap((save.left + save.right) / 2, (save.top + save.bottom) / 2);
        if (!WaitFor([&] { return FileNamesIn(there, L"*.bmp").size() == total + 1; }, 600000))
            return 1;
        saveDuringVerification = NowMs() - pressed;
        if (!WaitFor([&] { return LogCount(folder, "records were on the share already") > 0; }, 600000))
            return 1;
        verified = NowMs() - start;
    }
    std::printf("a start with %zu records on the share (start-up included): all compared in %.0f ms, %.2f ms each; "
                "a save pressed meanwhile reached the share %.0f ms after the press\n",
                total, verified, verified / static_cast<double>(total), saveDuringVerification);
    const std::wstring plainFolder = backing + L"\\plain";
    ::CreateDirectoryW(plainFolder.c_str(), nullptr);
    const double start = NowMs();
    for (const std::wstring& name : names)
        ::CopyFileW((records + name).c_str(), (plainFolder + L"\\" + name).c_str(), TRUE);
    const double plainCopy = NowMs() - start;
    // the same again with each copy flushed to the disk, as the kiosk does
    DeleteTree(plainFolder);
    ::CreateDirectoryW(plainFolder.c_str(), nullptr);
    const double startFlushed = NowMs();
    for (const std::wstring& name : names) {
        const std::wstring target = plainFolder + L"\\" + name;
        ::CopyFileW((records + name).c_str(), target.c_str(), TRUE);
        HANDLE h = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ::FlushFileBuffers(h);
        ::CloseHandle(h);
    }
    const double flushedCopy = NowMs() - startFlushed;
    std::printf("catch-up of %zu pending records after a start (start-up included): %.0f ms, %.2f ms each; "
                "plain CopyFileW of the same files %.0f ms, %.2f ms each; with a flush %.0f ms, %.2f ms each\n",
                total, catchUp, catchUp / static_cast<double>(total), plainCopy, plainCopy / names.size(), flushedCopy,
                flushedCopy / names.size());
    DeleteTree(backing);
    DeleteTree(folder);
    return 0;
}
