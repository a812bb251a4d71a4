// Owners for kernel handles.
#pragma once

#include <windows.h>

#include <utility>

// A handle closed with CloseHandle; INVALID_HANDLE_VALUE and null mean none.
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~CHandle() { Reset(); }
    CHandle(CHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CHandle& operator=(CHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_h = std::exchange(other.m_h, nullptr);
        }
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Reset() {
        if (m_h)
            ::CloseHandle(m_h);
        m_h = nullptr;
    }

private:
    HANDLE m_h = nullptr;
};

// A directory search from FindFirstFileW, closed with FindClose.
class CFindHandle {
public:
    CFindHandle(const wchar_t* pszPattern, WIN32_FIND_DATAW& data) : m_h(::FindFirstFileW(pszPattern, &data)) {}
    ~CFindHandle() {
        if (m_h != INVALID_HANDLE_VALUE)
            ::FindClose(m_h);
    }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;

    explicit operator bool() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& data) { return ::FindNextFileW(m_h, &data) != FALSE; }

private:
    HANDLE m_h;
};

// Memory from GlobalAlloc, freed with GlobalFree unless handed on (Detach),
// as to a stream that frees it itself.
class CGlobalMemory {
public:
    explicit CGlobalMemory(HGLOBAL h) : m_h(h) {}
    ~CGlobalMemory() {
        if (m_h)
            ::GlobalFree(m_h);
    }
    CGlobalMemory(const CGlobalMemory&) = delete;
    CGlobalMemory& operator=(const CGlobalMemory&) = delete;

    HGLOBAL Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    HGLOBAL Detach() { return std::exchange(m_h, nullptr); }

private:
    HGLOBAL m_h;
};
