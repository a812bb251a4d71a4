// CHistoryDlg: the stored sign-ins, nine at a time in a 3 x 3 grid, newest
// first. Up, down and close are areas of the background picture; left alone
// for a little less than the idle time, the dialog closes and says so, for the
// page to return the kiosk to the launcher. Built on the stack for one visit.
#pragma once

#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/IdleHandlers.h"
#include "history/HistoryList.h"

constexpr UINT_PTR kHistoryTimerId = 4;

// How a visit ended: closed by the visitor, or left alone until it timed out.
enum class HistoryResult { Closed, TimedOut };

class CHistoryDlg : public CDialog, private CIdleHandler {
public:
    // nIdleTime: the kiosk's idle time; the history times out a little earlier.
    // nDays: only records of the last nDays days are shown (0: all).
    // bLockdown: only its close area and its timeout end it, no key or command.
    explicit CHistoryDlg(int nIdleTime, int nDays = 0, bool bLockdown = false);

    // Runs the visit modally over the page.
    HistoryResult Run();

    // Loads the background and the scroll thumb; missing ones read as 0 x 0.
    void LoadPictures();
    // Lists the records of the folder ("SignIn") and shows the newest.
    void LoadList(const wchar_t* pszFolder);
    // Has the newest nine records of the last nDays days scaled into the
    // cache for the cells they take when the history opens, one picture at a
    // time while the message loop is idle, so the first press finds them ready.
    static void Prewarm(int nDays);
    // The whole view for the client rectangle, into any DC: the window paints
    // through it, and so does the benchmark.
    void Draw(HDC hdc, const RECT& rcClient) const;

    const CHistoryList& List() const { return m_list; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    CMessageMap GetMessageMap() const override;

private:
    bool OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnTimer(UINT_PTR nIDEvent);

    // One picture of the newest nine for Prewarm; false when all are there.
    static bool PrewarmOne();
    void RestartTimer();
    UINT TimerPeriod() const;
    // hdcThumb: a memory DC for the thumbnail cache, or null to decode afresh
    void DrawRecord(HDC hdc, HDC hdcThumb, const std::wstring& path, const LayoutRect& cell, int clientHeight) const;
    // From the thumbnail cache, decoding the file only when it has changed
    // or was never shown in that cell.
    static void DrawPicture(HDC hdc, HDC hdcThumb, const std::wstring& path, const LayoutRect& cell);
    // Draws the picture into an off-screen client of that size, for the cache.
    static bool CacheOffScreen(const std::wstring& path, const LayoutRect& cell, SIZE client);
    void DrawThumb(HDC hdc, const RECT& rcClient) const;
    // Scales one picture of the rows a turn up or down would show into the
    // cache, for the cell it would take; false when all are there.
    bool PrefetchOne() const;
    // Between taps, after each paint: the pictures of the next turn.
    uint32_t OnIdle() override;

    int m_nIdleTime;
    int m_nDays;
    bool m_bLockdown;
    CGpImage m_pBackground;
    CGpImage m_pThumb;
    CHistoryList m_list; // m_files, m_nFirstRow and m_nMaxRow
    bool m_bPrefetch = false;
    CIdleRegistration m_idle{*this};
};
