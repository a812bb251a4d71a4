// Owners for GDI objects and device contexts: one owner, released once.
// Owners are move-only; a raw handle passed around is borrowed.
#pragma once

#include <windows.h>

#include "Handle.h"

// An owned HGDIOBJ of type T (HBITMAP, HFONT, HBRUSH, ...), deleted once.
template <class T> struct CGdiObjectTraits : CNullHandleTraits<T> {
    static void Close(T h) { ::DeleteObject(h); }
};
template <class T> using CGdiObject = CUniqueHandle<CGdiObjectTraits<T>>;

using CBitmapHandle = CGdiObject<HBITMAP>;
using CFontHandle = CGdiObject<HFONT>;

// A memory or display DC we created (CreateCompatibleDC, CreateDCW): DeleteDC.
struct CDCTraits : CNullHandleTraits<HDC> {
    static void Close(HDC h) { ::DeleteDC(h); }
};
using CDC = CUniqueHandle<CDCTraits>;

// A window's DC from GetDC (null window: the screen): ReleaseDC.
class CClientDC {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_h(::GetDC(hWnd)) {}
    ~CClientDC() {
        if (m_h)
            ::ReleaseDC(m_hWnd, m_h);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    HDC Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    HWND m_hWnd;
    HDC m_h;
};

// BeginPaint/EndPaint around one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_h(::BeginPaint(hWnd, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC Get() const { return m_h; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_h;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ hObj) : m_hdc(hdc), m_hOld(hdc && hObj ? ::SelectObject(hdc, hObj) : nullptr) {}
    ~CSelectObject() {
        if (m_hOld)
            ::SelectObject(m_hdc, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

// A memory DC compatible with another (null: the screen), with one object
// selected into it for its whole life; the object is put back out before the
// DC is deleted, so the object must outlive it.
class CMemoryDC {
public:
    CMemoryDC(HDC hdcCompatible, HGDIOBJ hSelect)
        : m_dc(::CreateCompatibleDC(hdcCompatible)), m_select(m_dc.Get(), hSelect) {}
    // With nothing selected for good: for objects selected in and out in turn.
    explicit CMemoryDC(HDC hdcCompatible) : CMemoryDC(hdcCompatible, nullptr) {}
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC Get() const { return m_dc.Get(); }
    explicit operator bool() const { return static_cast<bool>(m_dc); }

private:
    CDC m_dc;
    CSelectObject m_select; // after the DC: undone before it is deleted
};
