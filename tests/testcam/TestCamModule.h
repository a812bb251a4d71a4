// Module-wide pieces of the test camera DLL: its class id and the count of
// live COM objects that tests read through TestCamLiveObjects().
#pragma once

#include <windows.h>

// {B31F1697-C987-4DC2-AD56-B3FEAC6AACF7}
extern const CLSID CLSID_TestCam;

extern volatile LONG g_nTestCamLiveObjects;

// A member of every COM object of the DLL (filter, pins, enumerators), so the
// count cannot drift from the constructors and destructors.
class CLiveObject {
public:
    CLiveObject() { InterlockedIncrement(&g_nTestCamLiveObjects); }
    ~CLiveObject() { InterlockedDecrement(&g_nTestCamLiveObjects); }
    CLiveObject(const CLiveObject&) = delete;
    CLiveObject& operator=(const CLiveObject&) = delete;
};

class CAutoLock {
public:
    explicit CAutoLock(CRITICAL_SECTION* pcs) : m_pcs(pcs) { EnterCriticalSection(m_pcs); }
    ~CAutoLock() { LeaveCriticalSection(m_pcs); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CRITICAL_SECTION* m_pcs;
};

extern "C" LONG WINAPI TestCamLiveObjects();
