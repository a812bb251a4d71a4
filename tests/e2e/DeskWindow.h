// VelmoDesk.exe driven from outside, for the desk's test and benchmark:
// its window, its counts and banner, and where its cells are.
#pragma once

#include "Harness.h"

#include "desk/DeskLayout.h"
#include "desk/resource.h"

namespace e2e {

// VelmoDesk.exe from a copy of the program folder, with its window.
class CDesk {
public:
    explicit CDesk(const std::wstring& folder) {
        std::wstring cmd = L"\"" + folder + L"\\VelmoDesk.exe\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, TempFolder(L"cwd").c_str(), &si,
                              &pi))
            return;
        ::CloseHandle(pi.hThread);
        m_hProcess = pi.hProcess;
        WaitUntil([&] {
            m_hWnd = FindTopLevelWindow([&](HWND h) {
                return ProcessOf(h) == pi.dwProcessId && IsShown(h) && TitleOf(h).starts_with(L"Velmo Desk");
            });
            return m_hWnd != nullptr;
        });
    }
    ~CDesk() {
        if (!m_hProcess)
            return;
        ::TerminateProcess(m_hProcess, 1);
        ::WaitForSingleObject(m_hProcess, 10000);
        ::CloseHandle(m_hProcess);
    }
    CDesk(const CDesk&) = delete;
    CDesk& operator=(const CDesk&) = delete;

    HWND Window() const { return m_hWnd; }
    bool Running() const { return m_hProcess && ::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT; }
    std::wstring Counts() const {
        wchar_t sz[512] = L"";
        ::GetDlgItemTextW(m_hWnd, IDC_COUNTS, sz, 512);
        return sz;
    }
    bool BannerShown() const { return IsShown(::GetDlgItem(m_hWnd, IDC_BANNER)); }
    // Screen rectangle of the picture of cell v (newest first), as the window lays it out.
    RECT Cell(size_t v) const {
        RECT rc{}, rcBar{};
        ::GetClientRect(m_hWnd, &rc);
        ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_GRID_SCROLL), &rcBar);
        HDC hdc = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(hdc, LOGPIXELSY);
        ::ReleaseDC(nullptr, hdc);
        const DeskViewLayout v0 =
            ComputeDeskViewLayout(rc.right, rc.bottom, dpi, BannerShown(), rcBar.right - rcBar.left);
        const LayoutRect box = DeskCellPicture(v0.cells, v, v0.grid.left, v0.grid.top);
        POINT pts[2] = {{box.left, box.top}, {box.right, box.bottom}};
        ::MapWindowPoints(m_hWnd, nullptr, pts, 2);
        return {pts[0].x, pts[0].y, pts[1].x, pts[1].y};
    }

private:
    HANDLE m_hProcess = nullptr;
    HWND m_hWnd = nullptr;
};

} // namespace e2e
