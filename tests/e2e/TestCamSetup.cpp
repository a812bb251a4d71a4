#include "TestCamSetup.h"

#include <functional>

namespace e2e {

const wchar_t kTestCamClsid[] = L"{B31F1697-C987-4DC2-AD56-B3FEAC6AACF7}";
const wchar_t kInstanceKey[] = L"Software\\Classes\\CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance";

bool SetString(HKEY hKey, const wchar_t* name, const std::wstring& value) {
    return ::RegSetValueExW(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetDword(HKEY hKey, const wchar_t* name, DWORD value) {
    return ::RegSetValueExW(hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
           ERROR_SUCCESS;
}

bool WriteKey(const std::wstring& path, const std::function<bool(HKEY)>& fill) {
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &hKey,
                          nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = fill(hKey);
    ::RegCloseKey(hKey);
    return ok;
}

void DeleteKey(const wchar_t* path) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &hKey) != ERROR_SUCCESS)
        return;
    ::RegDeleteTreeW(hKey, nullptr);
    ::RegCloseKey(hKey);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, 0);
}

namespace {

const wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{B31F1697-C987-4DC2-AD56-B3FEAC6AACF7}";

std::wstring TestCamPath() {
    wchar_t szPath[MAX_PATH];
    ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring path = szPath;
    path.resize(path.rfind(L'\\') + 1);
    return path + L"TestCam.dll";
}

} // namespace

CCameraSetup::CCameraSetup(const std::vector<CameraInstance>& instances) {
    DeleteKey(kInstanceKey);
    m_bOk = ::GetFileAttributesW(TestCamPath().c_str()) != INVALID_FILE_ATTRIBUTES;
    m_bOk = m_bOk && WriteKey(kClassKey, [](HKEY h) { return SetString(h, nullptr, L"Velmo Test Camera"); });
    m_bOk = m_bOk && WriteKey(std::wstring(kClassKey) + L"\\InprocServer32", [](HKEY h) {
                return SetString(h, nullptr, TestCamPath()) && SetString(h, L"ThreadingModel", L"Both");
            });
    for (const CameraInstance& cam : instances) {
        m_bOk = m_bOk && WriteKey(std::wstring(kInstanceKey) + L"\\" + cam.key, [&](HKEY h) {
                    bool ok = SetString(h, L"CLSID", kTestCamClsid) && SetDword(h, L"Width", cam.width) &&
                              SetDword(h, L"Height", cam.height) && SetString(h, L"Mode", cam.mode);
                    if (cam.name)
                        ok = ok && SetString(h, L"FriendlyName", cam.name);
                    return ok;
                });
    }
    if (instances.empty()) // the category must exist, empty
        m_bOk = m_bOk && WriteKey(kInstanceKey, [](HKEY) { return true; });
}

CCameraSetup::~CCameraSetup() {
    DeleteKey(kInstanceKey);
    DeleteKey(kClassKey);
}

bool SetCameraMode(const wchar_t* key, const wchar_t* mode) {
    return WriteKey(std::wstring(kInstanceKey) + L"\\" + key, [&](HKEY h) { return SetString(h, L"Mode", mode); });
}

} // namespace e2e
