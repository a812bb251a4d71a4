// One kiosk at a time: a second start brings the running kiosk forward and
// ends, so the camera never gets a second graph; Velmo.exe /stop reaches the
// running kiosk through the same named objects.
#pragma once

#include "framework/Handle.h"

#include <cstdint>
#include <string>

// The kiosk's named objects, the one-kiosk mutex and the stop event, in a
// private namespace bound to the kiosk account: no other account can make
// them first and so keep the kiosk from starting. Administrators may open
// them (for /stop). Where the system has no private namespaces, they are the
// session's own.
class CKioskObjects {
public:
    CKioskObjects() = default;
    ~CKioskObjects() { Close(); }
    CKioskObjects(const CKioskObjects&) = delete;
    CKioskObjects& operator=(const CKioskObjects&) = delete;

    // The kiosk's side: makes the namespace, or opens the one a kiosk of the
    // same account made, and the objects in it.
    bool Create(const std::wstring& accountSid);
    // /stop's side: opens what a running kiosk made; false with the system's
    // error when none runs or this account may not reach it.
    bool Open(const std::wstring& accountSid);
    void Close();

    // Whether this process made the namespace, rather than one that is ending.
    bool MadeHere() const { return m_bMadeHere; }
    HANDLE Mutex() const { return m_hMutex.Get(); }
    HANDLE StopEvent() const { return m_hStop.Get(); }

private:
    // Made with pCreate's security, or only opened when it is null.
    bool OpenNamespace(const std::wstring& accountSid, SECURITY_ATTRIBUTES* pCreate);

    HANDLE m_hNamespace = nullptr;
    bool m_bMadeHere = false;
    std::wstring m_prefix;
    CHandle m_hMutex, m_hStop;
};

class CSingleInstance {
public:
    CSingleInstance() = default;
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // True when this process is now the kiosk. False when another kiosk runs:
    // its window has then been brought forward, or it runs in another session.
    // A kiosk started to replace a failed one (predecessor: an inherited
    // process handle) first waits for that one to end.
    bool Acquire(const std::wstring& accountSid, uint64_t predecessor);
    // Set by Velmo.exe /stop.
    HANDLE StopEvent() const { return m_objects.StopEvent(); }

private:
    CKioskObjects m_objects;
    bool m_bOwned = false;
};
