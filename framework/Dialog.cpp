#include "Dialog.h"

#include <vector>

#include "WinApp.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control) {
    if (!control.m_hWnd)
        control.Attach(::GetDlgItem(pDX->m_dlg.m_hWnd, nIDC));
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    DestroyWindow();
}

void CDialog::DestroyWindow() {
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    Detach();
}

// The window is created hidden even when the template is visible, and shown
// after OnInitDialog unless OnInitDialog hid it: the kiosk's main dialog must
// start invisible.
HWND CDialog::CreateFromTemplate(HWND hParent) {
    HINSTANCE hInst = ::GetModuleHandleW(nullptr);
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(m_nIDTemplate), MAKEINTRESOURCEW(5));
    HGLOBAL hMem = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    const void* pData = hMem ? ::LockResource(hMem) : nullptr;
    if (!pData)
        return nullptr;
    std::vector<BYTE> tmpl(static_cast<const BYTE*>(pData),
                           static_cast<const BYTE*>(pData) + ::SizeofResource(hInst, hRes));
    // DLGTEMPLATEEX begins with version 1, signature 0xFFFF; its style sits at offset 12
    DWORD* pStyle = reinterpret_cast<DWORD*>(tmpl.data());
    if (tmpl.size() >= 16 && pStyle[0] == 0xFFFF0001u)
        pStyle = reinterpret_cast<DWORD*>(tmpl.data() + 12);
    m_bTemplateVisible = (*pStyle & WS_VISIBLE) != 0;
    *pStyle &= ~WS_VISIBLE;
    m_bHiddenExplicitly = false;
    HWND hWnd = ::CreateDialogIndirectParamW(hInst, reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()), hParent, DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    if (hWnd && m_bTemplateVisible && !m_bHiddenExplicitly)
        ::ShowWindow(hWnd, (::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD) ? SW_SHOW : SW_SHOWNORMAL);
    return hWnd;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = false;
    return CreateFromTemplate(pParentWnd ? pParentWnd->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal() {
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hOwner) {
        // without a parent a dialog belongs to the application's main window
        CWnd* pMain = CWinApp::GetApp() ? CWinApp::GetApp()->m_pMainWnd : nullptr;
        if (pMain && pMain != this)
            hOwner = pMain->m_hWnd;
    }
    const bool bDisableOwner = hOwner && ::IsWindowEnabled(hOwner);
    if (bDisableOwner)
        ::EnableWindow(hOwner, FALSE);
    m_bModal = true;
    m_bEndModal = false;
    m_nModalResult = -1;
    if (CreateFromTemplate(hOwner))
        RunModalLoop();
    if (bDisableOwner)
        ::EnableWindow(hOwner, TRUE);
    DestroyWindow();
    m_bModal = false;
    return m_nModalResult;
}

INT_PTR CDialog::RunModalLoop() {
    // a WM_QUIT seen here belongs to the outer loop
    if (const CLoopEnd end = RunMessageLoop(&m_bEndModal); end.bQuit)
        ::PostQuitMessage(end.nExitCode);
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR nResult) {
    if (m_hWnd && (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD))
        return; // a child dialog lives as long as its parent
    if (m_bModal) {
        m_nModalResult = nResult;
        m_bEndModal = true;
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0); // wake the loop
    } else if (m_hWnd) {
        ::EndDialog(m_hWnd, nResult);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))
        return FALSE;
    // a child dialog is one control of its parent: the top-level dialog
    // handles the keys, so Escape or Enter never end the child
    if (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD)
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CDialog::OnInitDialog() {
    CDataExchange dx(*this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* pDlg = nullptr;
    if (message == WM_INITDIALOG) {
        pDlg = reinterpret_cast<CDialog*>(lParam);
        pDlg->Attach(hWnd);
    } else {
        pDlg = static_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    }
    if (!pDlg)
        return FALSE;
    INT_PTR nResult = pDlg->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        pDlg->Detach();
    return nResult;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
    case WM_INITDIALOG:
        // the dialog procedure never sees WM_CREATE, so OnCreate runs here, first
        if (DispatchToMap(WM_CREATE, 0, 0, result) && result == -1) {
            EndDialog(-1);
            return FALSE;
        }
        return OnInitDialog();
    case WM_COMMAND:
        if (DispatchToMap(message, wParam, lParam, result))
            break;
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    default:
        if (!DispatchToMap(message, wParam, lParam, result))
            return FALSE;
        break;
    }
    // these messages return their value from the dialog procedure itself
    switch (message) {
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
