// Owner of an OpenGL rendering context.
#pragma once

#include <windows.h>

#include <utility>

// A context from wglCreateContext, deleted once; if it is current on this
// thread it is made not current first.
class CGLContext {
public:
    CGLContext() = default;
    explicit CGLContext(HGLRC h) : m_h(h) {}
    ~CGLContext() { Reset(); }
    CGLContext(CGLContext&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CGLContext& operator=(CGLContext&& other) noexcept {
        if (this != &other) {
            Reset();
            m_h = std::exchange(other.m_h, nullptr);
        }
        return *this;
    }
    CGLContext(const CGLContext&) = delete;
    CGLContext& operator=(const CGLContext&) = delete;

    HGLRC Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    bool MakeCurrent(HDC hdc) const { return m_h && ::wglMakeCurrent(hdc, m_h) != FALSE; }
    void Reset() {
        if (!m_h)
            return;
        if (::wglGetCurrentContext() == m_h)
            ::wglMakeCurrent(nullptr, nullptr);
        ::wglDeleteContext(m_h);
        m_h = nullptr;
    }

private:
    HGLRC m_h = nullptr;
};
