// The test camera (TestCam.dll beside the test program) registered in the
// machine's registry as exactly the devices a test or benchmark asks for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The test camera's class id, and the video-input category's device list.
extern const wchar_t kTestCamClsid[];
extern const wchar_t kInstanceKey[];

// Registry helpers under HKEY_LOCAL_MACHINE, 64-bit view.
bool SetString(HKEY hKey, const wchar_t* name, const std::wstring& value);
bool SetDword(HKEY hKey, const wchar_t* name, DWORD value);
bool WriteKey(const std::wstring& path, const std::function<bool(HKEY)>& fill);
void DeleteKey(const wchar_t* path);

struct CameraInstance {
    const wchar_t* key;  // devices enumerate in the order of these names
    const wchar_t* name; // null: no friendly name
    DWORD width, height;
    const wchar_t* mode;
};

// Registers the test camera and exactly the given devices before the kiosk
// starts; leaves no video input device behind, so other tests see none.
class CCameraSetup {
public:
    explicit CCameraSetup(const std::vector<CameraInstance>& instances);
    ~CCameraSetup();
    CCameraSetup(const CCameraSetup&) = delete;
    CCameraSetup& operator=(const CCameraSetup&) = delete;
    bool Ok() const { return m_bOk; }

private:
    bool m_bOk = false;
};

// Each build binds the device afresh, so the next build sees the new mode.
bool SetCameraMode(const wchar_t* key, const wchar_t* mode);

} // namespace e2e
