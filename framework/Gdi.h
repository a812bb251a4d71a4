// Owners for GDI objects and device contexts: one owner, released once.
// Owners are move-only; a raw handle passed around is borrowed.
#pragma once

#include <windows.h>

#include <utility>

// An owned HGDIOBJ of type T (HBITMAP, HFONT, HBRUSH, ...), deleted once.
template <class T> class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T h) : m_h(h) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(CGdiObject&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    T Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Reset(T h = nullptr) {
        if (m_h)
            ::DeleteObject(m_h);
        m_h = h;
    }
    T Release() { return std::exchange(m_h, nullptr); }

private:
    T m_h = nullptr;
};

using CBitmapHandle = CGdiObject<HBITMAP>;
using CFontHandle = CGdiObject<HFONT>;

// A memory or display DC we created (CreateCompatibleDC, CreateDCW): DeleteDC.
class CDC {
public:
    CDC() = default;
    explicit CDC(HDC h) : m_h(h) {}
    ~CDC() { Reset(); }
    CDC(CDC&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CDC& operator=(CDC&& other) noexcept {
        if (this != &other) {
            Reset();
            m_h = std::exchange(other.m_h, nullptr);
        }
        return *this;
    }
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    static CDC CreateCompatible(HDC hdc) { return CDC(::CreateCompatibleDC(hdc)); }
    static CDC CreateDisplay() { return CDC(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)); }

    HDC Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Reset() {
        if (m_h)
            ::DeleteDC(std::exchange(m_h, nullptr));
    }

private:
    HDC m_h = nullptr;
};

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

// A memory DC compatible with another, with one object selected into it for
// its whole life; the object is put back out before the DC is deleted.
class CMemoryDC {
public:
    CMemoryDC(HDC hdcCompatible, HGDIOBJ hSelect)
        : m_dc(CDC::CreateCompatible(hdcCompatible)), m_select(m_dc.Get(), hSelect) {}
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC Get() const { return m_dc.Get(); }
    explicit operator bool() const { return static_cast<bool>(m_dc); }

private:
    CDC m_dc;
    CSelectObject m_select; // after the DC: undone before it is deleted
};
