// Keeps the display and the system awake while the kiosk runs: a power
// request where the system grants one, else the calling thread's execution
// state, which lasts until the thread changes it or ends. Create it on the
// thread that runs the kiosk.
#pragma once

#include "framework/Handle.h"

class CKeepAwake {
public:
    // bKeepOn false leaves sleep and the display to the power plan.
    explicit CKeepAwake(bool bKeepOn);
    ~CKeepAwake();
    CKeepAwake(const CKeepAwake&) = delete;
    CKeepAwake& operator=(const CKeepAwake&) = delete;

private:
    bool Request();

    CHandle m_request;
    bool m_bThreadState = false;
};
