// CWnd: binds an HWND to the object that handles its messages.
#pragma once

#include <windows.h>

#include "MessageMap.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object bound to hWnd by Attach, or null for windows we do not own.
    static CWnd* FromHandlePermanent(HWND hWnd);

    void Attach(HWND hWnd);
    HWND Detach();

    // Offered every queued message aimed at this window or its children
    // before it is dispatched; TRUE means the message was consumed.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Shows or hides the window and remembers an explicit hide, so a dialog
    // that hides itself while initialising is not shown by the dialog manager.
    BOOL ShowWindow(int nCmdShow);

    HWND m_hWnd = nullptr;

protected:
    virtual CMessageMap GetMessageMap() const { return {}; }
    bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    bool m_bHiddenExplicitly = false;
};

// Walks from the target window up to its top-level window, offering the
// message to every bound object; TRUE when one of them consumed it.
BOOL WalkPreTranslateTree(MSG* pMsg);
