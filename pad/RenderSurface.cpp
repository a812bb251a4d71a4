#include "RenderSurface.h"

#include <algorithm>
#include <utility>

bool SetupPadPixelFormat(HDC hdc, int& nPixelFormat) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_STEREO_DONTCARE;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cRedBits = 8;
    pfd.cRedShift = 16;
    pfd.cGreenBits = 8;
    pfd.cGreenShift = 8;
    pfd.cBlueBits = 8;
    pfd.cBlueShift = 0;
    pfd.cAccumBits = 64;
    pfd.cAccumRedBits = 16;
    pfd.cAccumGreenBits = 16;
    pfd.cAccumBlueBits = 16;
    pfd.cDepthBits = 32;
    pfd.cStencilBits = 8;
    pfd.iLayerType = PFD_MAIN_PLANE;
    nPixelFormat = ::ChoosePixelFormat(hdc, &pfd);
    if (nPixelFormat == 0) {
        nPixelFormat = 1;
        if (::DescribePixelFormat(hdc, nPixelFormat, sizeof(PIXELFORMATDESCRIPTOR), &pfd) == 0)
            return false;
    }
    return ::SetPixelFormat(hdc, nPixelFormat, &pfd) != FALSE;
}

namespace {
const wchar_t kSurfaceClass[] = L"VelmoPadSurface";
} // namespace

bool CRenderSurface::Create(HWND hParent, int cx, int cy) {
    Destroy();
    WNDCLASSW wc{};
    wc.style = CS_OWNDC; // the DC keeps its pixel format for the window's life
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kSurfaceClass;
    ::RegisterClassW(&wc); // fails harmlessly when already registered
    // never shown: it takes no input and covers nothing of the pad
    m_hWnd = ::CreateWindowExW(0, kSurfaceClass, L"", WS_CHILD | WS_DISABLED, 0, 0, std::max(cx, 1), std::max(cy, 1),
                               hParent, nullptr, wc.hInstance, nullptr);
    m_hDC = m_hWnd ? ::GetDC(m_hWnd) : nullptr;
    return m_hDC != nullptr;
}

CRenderSurface& CRenderSurface::operator=(CRenderSurface&& other) noexcept {
    if (this != &other) {
        Destroy();
        m_hWnd = std::exchange(other.m_hWnd, nullptr);
        m_hDC = std::exchange(other.m_hDC, nullptr);
    }
    return *this;
}

void CRenderSurface::Destroy() {
    if (m_hDC)
        ::ReleaseDC(m_hWnd, m_hDC);
    m_hDC = nullptr;
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}
