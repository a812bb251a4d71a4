// CDlgShow: the launcher. A small layered, always-on-top picture at the
// bottom-left corner that stands in for the hidden sign-in page; a tap
// brings the page back, a sideways drag moves it along the bottom edge.
#pragma once

#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/IdleHandlers.h"
#include "framework/KioskHost.h"
#include "popup/Backdrop.h"
#include "popup/LeaveWatch.h"

class CDlgShow : public CDialog, private CIdleHandler {
public:
    // bLockdown: nothing but the page's own end may close, move or hide it.
    CDlgShow(IKioskHost& host, bool bLockdown);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Makes the launcher the active window once the messages already queued
    // have run, so the hidden page never keeps the keyboard.
    void Activate();
    // Into a copy of the screen taken for the page after a tap, what lay
    // behind the launcher where the copy may still show the launcher itself.
    void PaintBehind(HDC hdcScreenCopy);

protected:
    BOOL OnInitDialog() override;
    // Nothing closes the launcher: it is the kiosk's only way back.
    void OnOK() override {}
    void OnCancel() override {}
    CMessageMap GetMessageMap() const override;

private:
    int OnCreate();
    bool OnSysCommand(UINT nID, LPARAM lParam);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnMouseMove(UINT nFlags, POINT point);
    void OnLButtonUp(UINT nFlags, POINT point);
    LRESULT OnMessage70A(WPARAM wParam, LPARAM lParam);
    LRESULT OnActivateLauncher(WPARAM wParam, LPARAM lParam);
    void OnDisplayChange();

    // Hides the launcher and brings the page at once when what lies behind
    // the launcher is known; otherwise the page follows from OnIdle once the
    // screen shows it.
    void RestoreMainWindow();
    // The band along the bottom of the screen that the launcher lives in,
    // with room above it for the ring the backdrop checks.
    RECT BandRect() const;
    // Copies the band while the launcher is not on it.
    void KeepBackdrop();
    uint32_t OnIdle() override;
    BOOL RefreshLayeredWindow();
    void LoadPicture();
    // Puts the launcher on the bottom edge with all of it on the screen.
    void MoveAlongBottomEdge(int left);

    IKioskHost& m_host;
    const bool m_bLockdown;
    CGpImage m_pImage;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    bool m_bMoved = false;
    POINT m_ptDown{};
    BLENDFUNCTION m_blend{};
    CLeaveWatch m_watch;
    CBackdrop m_backdrop;
    RECT m_rcLeft{};             // where the launcher was when it was tapped
    bool m_bBehindKnown = false; // the backdrop holds what lay behind it there
    CIdleRegistration m_idle{*this};
};
