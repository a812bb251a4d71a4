// IKioskHost: what the launcher and the history need of the page they serve,
// handed to them at creation so neither reaches back into the page's class.
#pragma once

class IKioskHost {
public:
    // False while the page is disabled under a box of its own.
    virtual bool CanRestorePage() const = 0;
    // Brings the page back full-screen and in front, over a fresh copy of the
    // desktop, and restarts its idle timer.
    virtual void RestorePage() = 0;
    // The kiosk's way into its idle state: the page hidden, the launcher shown.
    virtual void HideToPopup() = 0;

protected:
    ~IKioskHost() = default;
};
