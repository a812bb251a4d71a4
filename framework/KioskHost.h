// IKioskHost: what the launcher needs of the page it serves, handed to it at
// creation so that it does not reach back into the page's class.
#pragma once

class IKioskHost {
public:
    // False while the page is disabled under a box of its own.
    virtual bool CanRestorePage() const = 0;
    // Brings the page back full-screen and in front, over a fresh copy of the
    // desktop, and restarts its idle timer.
    virtual void RestorePage() = 0;

protected:
    ~IKioskHost() = default;
};
