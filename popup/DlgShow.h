// CDlgShow: the launcher. A small layered, always-on-top picture at the
// bottom-left corner that stands in for the hidden sign-in page; a tap
// brings the page back, a sideways drag moves it along the bottom edge.
#pragma once

#include "framework/Dialog.h"
#include "framework/GdiPlus.h"
#include "framework/IdleHandlers.h"
#include "framework/KioskHost.h"
#include "popup/LeaveWatch.h"

class CDlgShow : public CDialog, private CIdleHandler {
public:
    // bLockdown: nothing but the page's own end may close, move or hide it.
    CDlgShow(IKioskHost& host, bool bLockdown);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Makes the launcher the active window once the messages already queued
    // have run, so the hidden page never keeps the keyboard.
    void Activate();

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

    // Hides the launcher; the page follows from OnIdle once the screen shows
    // what lay behind the launcher.
    void RestoreMainWindow();
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
    RECT m_rcLeft{}; // where the launcher was when it was tapped
    CIdleRegistration m_idle{*this};
};
