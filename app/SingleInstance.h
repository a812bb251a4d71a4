// One kiosk per machine: a second start brings the running kiosk forward and
// ends, so the camera never gets a second graph.
#pragma once

#include "framework/Handle.h"

class CSingleInstance {
public:
    CSingleInstance() = default;
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // True when this process is now the kiosk. False when another kiosk runs:
    // its window has then been brought forward, or it runs in another session.
    bool Acquire();

private:
    CHandle m_hMutex;
    bool m_bOwned = false;
};
