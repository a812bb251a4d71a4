// CDeskDlg: the front desk's window. One day's sign-ins from every kiosk
// folder of the share, newest first, each with its time, kiosk and picture;
// counts per kiosk and in all; previous day, next day, today and a date
// picker; print and export; a click opens a record at full size. What it
// shows comes from the share reader's thread; a share that cannot be read
// shows a banner until it can again.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "desk/DeskDay.h"
#include "desk/DeskJob.h"
#include "desk/DeskLayout.h"
#include "desk/DeskReader.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "history/ThumbnailCache.h"

constexpr UINT WM_DESK_READY = WM_APP + 1;
constexpr UINT WM_DESK_JOB_DONE = WM_APP + 2;
constexpr UINT_PTR kDeskClockTimerId = 1;

class CDeskDlg : public CDialog {
public:
    CDeskDlg();

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnCancel() override;
    CMessageMap GetMessageMap() const override;

private:
    void OnPaint();
    BOOL OnEraseBackground(HDC hdc);
    void OnSize(UINT nType, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO& info);
    void OnDpiChanged(UINT nDpi, const RECT& rcSuggested);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnMouseWheel(int nDelta, POINT screenPoint);
    void OnVScroll(UINT nCode, HWND hScrollBar);
    void OnTimer(UINT_PTR nIDEvent);
    bool OnCommand(UINT nID, UINT nCode, HWND hCtl);
    LRESULT OnNotify(int nID, NMHDR* pHeader);
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam);
    LRESULT OnDeskReady(WPARAM, LPARAM);
    LRESULT OnJobDone(WPARAM, LPARAM lParam);

    void ShowDay(const DeskDate& day);
    void Layout();
    void ScrollTo(int nScroll);
    void UpdateTexts();
    void SetBanner(const std::wstring& text);
    // Asks the reader for the pictures of the cells in view and a screen ahead.
    void RequestThumbnails();
    void DrawGrid(HDC hdc, const LayoutRect& rcGrid);
    void DrawCell(HDC hdc, const DeskRecord& record, const LayoutRect& box, const LayoutRect& caption);
    const DeskRecord* RecordInView(size_t v) const; // newest first
    // The chosen cell, by arrow keys or a click; Enter opens it.
    void Select(std::ptrdiff_t v);
    bool InDatePicker(HWND hWnd) const;
    ThumbnailStamp StampOf(const DeskRecord& record) const;
    void OpenRecord(const DeskRecord& record);
    void Print();
    void Export();
    // One at a time; print and export wait meanwhile.
    void StartJob(std::function<DeskJobResult()> job);

    std::wstring m_strShare; // empty: no usable setting, m_strBanner says why
    CDeskReader m_reader;
    DeskDate m_day{};
    DeskDate m_lastToday{};
    std::optional<CDeskDayList> m_list; // the shown day's, once read
    CThumbnailCache<DeskThumb> m_thumbs;
    std::wstring m_strBanner;
    int m_nDpi = 96;
    DeskViewLayout m_layout;
    int m_nScroll = 0;
    std::ptrdiff_t m_nSelected = -1; // a cell of the view, or none
    CFontHandle m_captionFont;
    CGdiObject<HBRUSH> m_bannerBrush;
    bool m_bJobRunning = false;
};
