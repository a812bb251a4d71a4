#include "PaintDlg.h"

#include "pad/BrushImageFile.h"
#include "res/resource.h"

CPaintDlg::CPaintDlg() : CDialog(IDD_PAINT) {}

CPaintDlg::~CPaintDlg() {
    // destroyed here, while OnDestroy can still reach this object
    DestroyWindow();
    ReleaseRenderingContext();
}

CMessageMap CPaintDlg::GetMessageMap() const {
    static const CMsgEntry map[] = {
        // int OnCreate()
        {WM_CREATE, msg::Create<&CPaintDlg::OnCreate>},
        // void OnDestroy()
        {WM_DESTROY, msg::VoidThenDefault<&CPaintDlg::OnDestroy>},
        // void OnSize(UINT nType, int cx, int cy)
        {WM_SIZE, msg::Size<&CPaintDlg::OnSize>},
        // void OnTimer(UINT_PTR nIDEvent)
        {WM_TIMER, msg::Timer<&CPaintDlg::OnTimer>},
        // void OnPaint()
        {WM_PAINT, msg::Void<&CPaintDlg::OnPaint>},
        // BOOL OnEraseBackground(HDC hdc)
        {WM_ERASEBKGND, msg::EraseBackground<&CPaintDlg::OnEraseBackground>},
        // void OnLButtonDown(UINT nFlags, POINT point)
        {WM_LBUTTONDOWN, msg::Mouse<&CPaintDlg::OnLButtonDown>},
        // a quick second stroke starting where the last began arrives as a
        // double-click: it is a press too, or the stroke would be lost
        {WM_LBUTTONDBLCLK, msg::Mouse<&CPaintDlg::OnLButtonDown>},
        // void OnLButtonUp(UINT nFlags, POINT point)
        {WM_LBUTTONUP, msg::Mouse<&CPaintDlg::OnLButtonUp>},
        // void OnMouseMove(UINT nFlags, POINT point)
        {WM_MOUSEMOVE, msg::Mouse<&CPaintDlg::OnMouseMove>},
        // WM_SETCURSOR stays with the default processing, which asks the
        // page first: the page shows the pen cursor over the whole pad
    };
    return map;
}

int CPaintDlg::OnCreate() {
    // the size message of creation came before this object was bound
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    m_cx = rc.right;
    m_cy = rc.bottom;
    m_frame.Create(m_cx, m_cy); // a white pad even when OpenGL is missing
    if (m_surface.Create(m_hWnd, m_cx, m_cy))
        m_hDC = m_surface.GetDC();
    if (!m_hDC || !SetupPixelFormat())
        return 0;
    m_hRC = CGLContext(::wglCreateContext(m_hDC));
    if (!m_hRC.MakeCurrent(m_hDC)) {
        ReleaseRenderingContext();
        return 0;
    }
    m_renderer.Resize(m_cx, m_cy);
    LoadBrushTexture();
    ::SetTimer(m_hWnd, kPadTimerId, kPadTimerPeriod, nullptr);
    return 0;
}

bool CPaintDlg::SetupPixelFormat() {
    return SetupPadPixelFormat(m_hDC, m_nPixelFormat);
}

void CPaintDlg::LoadBrushTexture() {
    CBrushImage image;
    m_brushError = ReadBrushImage(kBrushFile, image);
    if (m_brushError != BrushError::None) {
        // a pad without a brush would take a signature and show nothing
        image = MakeSoftBrush();
    }
    m_renderer.LoadTexture(image);
    m_texture = m_renderer.Texture();
}

void CPaintDlg::OnDestroy() {
    ReleaseRenderingContext();
}

void CPaintDlg::ReleaseRenderingContext() {
    if (::wglGetCurrentContext())
        ::wglMakeCurrent(nullptr, nullptr);
    m_hRC.Reset();
    m_hDC = nullptr;
    m_surface.Destroy();
}

void CPaintDlg::OnSize(UINT, int cx, int cy) {
    if (cx == m_cx && cy == m_cy && !m_frame.IsEmpty())
        return;
    m_cx = cx;
    m_cy = cy;
    if (m_hRC && !ReplaceSurface(cx, cy))
        ReleaseRenderingContext(); // the pad stays white rather than show stale pixels
    if (m_hRC)
        m_renderer.Resize(cx, cy);
    // the stamps keep their offsets from the centre: redraw them all
    m_frame.Create(cx, cy);
    m_bFrameValid = false;
}

// The context moves to a new drawable of the same pixel format before the
// old one goes, so it is current on a live window throughout.
bool CPaintDlg::ReplaceSurface(int cx, int cy) {
    CRenderSurface next;
    int nPixelFormat = 0;
    if (!next.Create(m_hWnd, cx, cy) || !SetupPadPixelFormat(next.GetDC(), nPixelFormat) ||
        nPixelFormat != m_nPixelFormat || !m_hRC.MakeCurrent(next.GetDC()))
        return false;
    m_surface = std::move(next);
    m_hDC = m_surface.GetDC();
    return true;
}

void CPaintDlg::OnTimer(UINT_PTR) {
    m_strokes.Decay();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

BOOL CPaintDlg::OnEraseBackground(HDC) {
    return TRUE; // OnPaint covers every pixel; an erase would only flash
}

void CPaintDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    if (m_hRC)
        RenderStrokes();
    m_frame.Present(dc.Get(), m_cx, m_cy);
}

// Only stamps made since the last frame are drawn: the frame keeps the ink
// of everything before them.
void CPaintDlg::RenderStrokes() {
    StrokeDelta delta = m_strokes.NewStampsSince(m_drawn);
    const bool bRebuild = !m_bFrameValid || delta.bRestart;
    if (bRebuild) {
        m_frame.FillWhite();
        delta.stamps = m_strokes.Points();
    }
    // stamps that did not reach the frame stay new for the next tick
    if (!delta.stamps.empty() && !m_renderer.AddStamps(delta.stamps, m_frame)) {
        m_bFrameValid = !bRebuild;
        return;
    }
    m_bFrameValid = true;
    m_drawn = m_strokes.FrameMark();
}

void CPaintDlg::OnLButtonDown(UINT, POINT point) {
    m_strokes.OnLButtonDown(point.x, point.y);
    NotifyActivity();
}

void CPaintDlg::OnLButtonUp(UINT, POINT) {
    m_strokes.OnLButtonUp();
}

void CPaintDlg::OnMouseMove(UINT, POINT point) {
    m_strokes.OnMouseMove(point.x, point.y, m_cx, m_cy);
    NotifyActivity();
}

void CPaintDlg::NotifyActivity() {
    if (m_onActivity)
        m_onActivity();
}

void CPaintDlg::SetPenColor(COLORREF color) {
    m_strokes.SetPenColor(color);
}

void CPaintDlg::ClearStrokes() {
    m_strokes.ClearStrokes();
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}
