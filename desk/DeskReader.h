// The front desk's worker: lists the shown day on the share and scales the
// pictures the window asks for, off the window's thread, so a slow or
// vanished server never stalls the window. It lists again when the share
// reports a change (shortly after, as a copy is renamed into place) and
// every few seconds in any case, for shares that report nothing. Results
// wait here; the window is told by a posted message carrying nothing, so
// nothing is lost or leaked when the window is gone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desk/DeskDay.h"
#include "history/ThumbnailCache.h"

// Scaled picture of one record; empty pixels stand for a file that did not decode.
struct DeskThumb {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // rows top first
};

struct DeskThumbJob {
    std::wstring path;
    ThumbnailStamp stamp; // the file as listed and the box to fit
};

struct DeskThumbResult {
    DeskThumbJob job;
    DeskThumb thumb;
};

struct DeskListing {
    CDeskDayList list;
    DWORD dwError; // ERROR_SUCCESS, or why failedFolder could not be listed
    std::wstring failedFolder;
};

// Listing again without a change notice; also how soon a share that sends
// none shows a new record.
constexpr DWORD kDeskRescanMs = 3000;
// After a change notice: the copy's rename usually follows its write.
constexpr DWORD kDeskSettleMs = 250;

class CDeskReader {
public:
    CDeskReader() = default;
    ~CDeskReader() { Stop(); }
    CDeskReader(const CDeskReader&) = delete;
    CDeskReader& operator=(const CDeskReader&) = delete;

    // Starts the worker on the share; nMessage is posted to hNotify when
    // results wait.
    bool Start(HWND hNotify, UINT nMessage, const std::wstring& share, const DeskDate& day);
    // Ends the worker; one stuck on the network is left to end with the process.
    void Stop();

    void ShowDay(const DeskDate& day); // lists it at once
    void Rescan();
    // Replaces what is still to be scaled: only what the window shows matters.
    void WantThumbnails(std::vector<DeskThumbJob> jobs);

    std::optional<DeskListing> TakeListing();
    std::vector<DeskThumbResult> TakeThumbnails();

    struct State; // shared with the worker, which may outlive this object

private:
    std::shared_ptr<State> m_state;
    HANDLE m_hThread = nullptr;
};
