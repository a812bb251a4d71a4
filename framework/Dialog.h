// CDialog: dialogs from templates, modal through our own message loop,
// modeless or child through Create.
#pragma once

#include "Wnd.h"

class CDialog;

// Binds controls of a dialog to member objects (see DDX_Control).
class CDataExchange {
public:
    explicit CDataExchange(CDialog& dlg) : m_dlg(dlg) {}
    CDialog& m_dlg;
};

// Attaches control nID of the dialog to the object; a missing control
// leaves the object without a window.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog with its owner disabled until EndDialog; returns the
    // EndDialog result, or -1 when the window could not be made.
    INT_PTR DoModal();
    // Creates a modeless dialog, or a child when the template says WS_CHILD.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(INT_PTR nResult);
    void DestroyWindow();

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND hParent);
    INT_PTR RunModalLoop();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModal = false;
    bool m_bEndModal = false;
    bool m_bTemplateVisible = false;
    INT_PTR m_nModalResult = -1;
};
