// CPinPadDlg: asks for the history's PIN on a large keypad over the page. The
// entry shows as dots only; a wrong PIN shakes the keypad and nothing else,
// the last of the tries closes it, and so does the kiosk's idle time without
// a tap. Built on the stack for one visit.
#pragma once

#include <string_view>

#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "history/PinEntry.h"

enum class PinPadResult { Opened, Cancelled, NoTriesLeft, TimedOut };

class CPinPadDlg : public CDialog {
public:
    // pin: the digits that open the history; an empty one opens nothing.
    // bLockdown: no system command moves, sizes or closes it.
    CPinPadDlg(std::wstring_view pin, int nIdleTime, bool bLockdown = false);

    PinPadResult Run();

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape, for a keyboard: as the OK and cancel keys.
    void OnOK() override;
    void OnCancel() override;
    CMessageMap GetMessageMap() const override;

private:
    void OnPaint();
    BOOL OnEraseBackground(HDC hdc);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnTimer(UINT_PTR nIDEvent);
    bool OnSysCommand(UINT nID, LPARAM lParam);

    void Submit();
    void Shake();
    void OnShakeStep();
    void RestartIdleTimer();
    void Draw(HDC hdc, const RECT& rcClient) const;

    CPinEntry m_entry;
    int m_nIdleTime;
    bool m_bLockdown;
    CGpImage m_pBackground;
    POINT m_ptHome{}; // where the keypad rests between shakes
    int m_nShakeStep = -1;
    bool m_bClosing = false; // the last try failed: the shake ends the visit
};
