#include "Wnd.h"

namespace {
const wchar_t kObjectProp[] = L"Velmo.CWnd";
}

CWnd::~CWnd() {
    Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(::GetPropW(hWnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    if (hWnd)
        ::SetPropW(hWnd, kObjectProp, this);
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    // the window may already be gone; only unbind it if it is still ours
    if (hWnd && ::IsWindow(hWnd) && FromHandlePermanent(hWnd) == this)
        ::RemovePropW(hWnd, kObjectProp);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (nCmdShow == SW_HIDE)
        m_bHiddenExplicitly = true;
    return ::ShowWindow(m_hWnd, nCmdShow);
}

bool CWnd::DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (const CMsgEntry& entry : GetMessageMap()) {
        if (entry.message == message)
            return entry.handler(*this, wParam, lParam, result);
    }
    return false;
}

BOOL WalkPreTranslateTree(MSG* pMsg) {
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetAncestor(hWnd, GA_PARENT)) {
        if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd); pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (!(::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD))
            break; // top level reached
    }
    return FALSE;
}
