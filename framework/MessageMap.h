// Message maps: a table from window message to a handler named after it.
// Each cracker turns WPARAM/LPARAM into the handler's typed arguments and
// says whether the message is finished (true) or goes on to default processing.
#pragma once

#include <windows.h>

#include <span>

class CWnd;

struct CMsgEntry {
    UINT message;
    bool (*handler)(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

using CMessageMap = std::span<const CMsgEntry>;

namespace msg {

template <class F> struct ClassOf;
template <class T, class R, class... A> struct ClassOf<R (T::*)(A...)> { using type = T; };
template <auto F> using ClassOf_t = typename ClassOf<decltype(F)>::type;

template <auto F> ClassOf_t<F>& Self(CWnd& wnd) {
    return static_cast<ClassOf_t<F>&>(wnd);
}

inline POINT PointOf(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// int OnCreate(): runs before OnInitDialog; -1 refuses the window.
template <auto F> bool Create(CWnd& w, WPARAM, LPARAM, LRESULT& r) {
    r = (Self<F>(w).*F)();
    return true;
}

// void OnPaint(), void OnDestroy(): the handler does all the work.
template <auto F> bool Void(CWnd& w, WPARAM, LPARAM, LRESULT& r) {
    (Self<F>(w).*F)();
    r = 0;
    return true;
}

// void OnDestroy() and similar: the handler runs, then default processing.
template <auto F> bool VoidThenDefault(CWnd& w, WPARAM, LPARAM, LRESULT&) {
    (Self<F>(w).*F)();
    return false;
}

// BOOL OnEraseBackground(HDC hdc)
template <auto F> bool EraseBackground(CWnd& w, WPARAM wParam, LPARAM, LRESULT& r) {
    r = (Self<F>(w).*F)(reinterpret_cast<HDC>(wParam));
    return true;
}

// HCURSOR OnQueryDragIcon()
template <auto F> bool QueryDragIcon(CWnd& w, WPARAM, LPARAM, LRESULT& r) {
    r = reinterpret_cast<LRESULT>((Self<F>(w).*F)());
    return true;
}

// void OnLButtonDown(UINT nFlags, POINT point) and the other mouse messages,
// followed by default processing.
template <auto F> bool Mouse(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT&) {
    (Self<F>(w).*F)(static_cast<UINT>(wParam), PointOf(lParam));
    return false;
}

// BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT message): FALSE asks for the
// default cursor.
template <auto F> bool SetCursor(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    if (!(Self<F>(w).*F)(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam)))
        return false;
    r = TRUE;
    return true;
}

// void OnActivate(UINT nState, HWND hWndOther, BOOL bMinimized), followed by
// default processing (the dialog keeps restoring its focus).
template <auto F> bool Activate(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT&) {
    (Self<F>(w).*F)(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam) != 0);
    return false;
}

// void OnTimer(UINT_PTR nIDEvent), followed by default processing.
template <auto F> bool Timer(CWnd& w, WPARAM wParam, LPARAM, LRESULT&) {
    (Self<F>(w).*F)(static_cast<UINT_PTR>(wParam));
    return false;
}

// void OnSize(UINT nType, int cx, int cy), followed by default processing.
template <auto F> bool Size(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT&) {
    (Self<F>(w).*F)(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    return false;
}

// bool OnSysCommand(UINT nID, LPARAM lParam): false leaves the command to the system.
template <auto F> bool SysCommand(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    r = 0;
    return (Self<F>(w).*F)(static_cast<UINT>(wParam), lParam);
}

// LRESULT OnMessage(WPARAM wParam, LPARAM lParam) for private messages.
template <auto F> bool Raw(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    r = (Self<F>(w).*F)(wParam, lParam);
    return true;
}

// bool OnCommand(UINT nID, UINT nCode, HWND hCtl): false leaves the command to
// the dialog's own handling (IDOK, IDCANCEL).
template <auto F> bool Command(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    r = 0;
    return (Self<F>(w).*F)(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
}

// LRESULT OnNotify(int nID, NMHDR* pHeader)
template <auto F> bool Notify(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    r = (Self<F>(w).*F)(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam));
    return true;
}

// void OnVScroll(UINT nCode, HWND hScrollBar)
template <auto F> bool Scroll(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    (Self<F>(w).*F)(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    r = 0;
    return true;
}

// void OnMouseWheel(int nDelta, POINT screenPoint)
template <auto F> bool MouseWheel(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    (Self<F>(w).*F)(static_cast<short>(HIWORD(wParam)), PointOf(lParam));
    r = 0;
    return true;
}

// void OnDpiChanged(UINT nDpi, const RECT& rcSuggested)
template <auto F> bool DpiChanged(CWnd& w, WPARAM wParam, LPARAM lParam, LRESULT& r) {
    (Self<F>(w).*F)(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    r = 0;
    return true;
}

// void OnGetMinMaxInfo(MINMAXINFO& info)
template <auto F> bool GetMinMaxInfo(CWnd& w, WPARAM, LPARAM lParam, LRESULT& r) {
    (Self<F>(w).*F)(*reinterpret_cast<MINMAXINFO*>(lParam));
    r = 0;
    return true;
}

} // namespace msg
