// COM owners: an interface pointer holding one reference, and the
// apartment guard that uninitialises only what it initialised.
#pragma once

#include <objbase.h>

#include <utility>

template <class T> class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { Release(); }
    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != &other) {
            Release();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: drops what is held first, so nothing leaks.
    T** Put() {
        Release();
        return &m_p;
    }
    void Release() {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }
    template <class Q> HRESULT QueryInterface(REFIID riid, CComPtr<Q>& out) const {
        return m_p ? m_p->QueryInterface(riid, reinterpret_cast<void**>(out.Put())) : E_POINTER;
    }

private:
    T* m_p = nullptr;
};

class CCoInitialize {
public:
    CCoInitialize() : m_hr(::CoInitialize(nullptr)) {}
    ~CCoInitialize() {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }
    CCoInitialize(const CCoInitialize&) = delete;
    CCoInitialize& operator=(const CCoInitialize&) = delete;
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};
