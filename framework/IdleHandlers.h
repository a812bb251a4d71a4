// Idle work: what the message loop does while its queue is empty, as WTL's
// CIdleHandler. Used on the UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// An OnIdle answer: nothing left until something arms the handler again.
// The same value as the platform's INFINITE wait.
inline constexpr uint32_t kIdleDone = 0xFFFFFFFFu;

class CIdleHandler {
public:
    // Does at most one piece of work (one scaled picture, one look at the
    // screen) and says in how many milliseconds to be called again: 0 for as
    // soon as the queue is empty again, kIdleDone for nothing left. May be
    // called earlier than it asked, after any message.
    virtual uint32_t OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CIdleHandlers {
public:
    void Add(CIdleHandler& handler);
    // Safe while the handlers run: a removed handler is not called again.
    void Remove(CIdleHandler& handler);
    // Offers the handlers a turn each, starting after the last one that
    // worked, and stops at the first that has more to do at once, so the
    // queue is looked at after every piece of work. Returns the shortest
    // wait asked for. Idle work does not nest: a message loop run from a
    // handler does none.
    uint32_t Run();

private:
    std::vector<CIdleHandler*> m_handlers; // null: removed during a run
    size_t m_nNext = 0;
    bool m_bRunning = false;
};

// The handlers of the UI thread's message loop.
CIdleHandlers& UiIdleHandlers();

// Keeps a handler on the UI thread's list for as long as it lives.
class CIdleRegistration {
public:
    explicit CIdleRegistration(CIdleHandler& handler) : m_handler(handler) { UiIdleHandlers().Add(handler); }
    ~CIdleRegistration() { UiIdleHandlers().Remove(m_handler); }
    CIdleRegistration(const CIdleRegistration&) = delete;
    CIdleRegistration& operator=(const CIdleRegistration&) = delete;

private:
    CIdleHandler& m_handler;
};
