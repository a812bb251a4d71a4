// One owner for handles of every kind: the handle's traits say what owns
// nothing and how one is closed.
#pragma once

#include <utility>

// Traits for a handle type whose empty value is null. A traits type names the
// handle's Type, its None() value and whether a value IsValid, and says how to
// Close one.
template <class T> struct CNullHandleTraits {
    using Type = T;
    static Type None() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
};

// Owns one handle and closes it once through Traits::Close. Move-only: a
// copyable owner would close twice. A raw handle passed around is borrowed.
template <class Traits> class CUniqueHandle {
public:
    using Type = typename Traits::Type;

    CUniqueHandle() = default;
    // A value the traits call invalid is held as none.
    explicit CUniqueHandle(Type h) : m_h(Valid(h)) {}
    ~CUniqueHandle() { Reset(); }
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_h(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    Type Get() const { return m_h; }
    explicit operator bool() const { return Traits::IsValid(m_h); }
    // Closes what is held and holds h instead.
    void Reset(Type h = Traits::None()) {
        const Type old = std::exchange(m_h, Valid(h));
        if (Traits::IsValid(old))
            Traits::Close(old);
    }
    // Hands the handle on (to an owner that frees it itself); none is left here.
    Type Release() { return std::exchange(m_h, Traits::None()); }

private:
    static Type Valid(Type h) { return Traits::IsValid(h) ? h : Traits::None(); }

    Type m_h = Traits::None();
};
