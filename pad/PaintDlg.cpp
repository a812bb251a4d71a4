#include "PaintDlg.h"

#include <algorithm>

#include "framework/PointerInput.h"
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
        // bool OnPointerDown(UINT32 nPointerId, UINT nFlags, POINT ptScreen):
        // a finger or a pen; a mouse stays with the mouse messages
        {kWmPointerDown, msg::Pointer<&CPaintDlg::OnPointerDown>},
        // bool OnPointerUpdate(UINT32 nPointerId, UINT nFlags, POINT ptScreen)
        {kWmPointerUpdate, msg::Pointer<&CPaintDlg::OnPointerUpdate>},
        // bool OnPointerUp(UINT32 nPointerId, UINT nFlags, POINT ptScreen)
        {kWmPointerUp, msg::Pointer<&CPaintDlg::OnPointerUp>},
        // bool OnPointerCaptureChanged(UINT32 nPointerId, UINT nFlags, POINT ptScreen)
        {kWmPointerCaptureChanged, msg::Pointer<&CPaintDlg::OnPointerCaptureChanged>},
        // no press-and-hold, flicks or tap feedback while a finger writes
        {kWmTabletQuerySystemGestureStatus, msg::Answer<kNoSystemGestures>},
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
    TurnOffTouchFeedback(m_hWnd);
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
    // moves show their own ink at once; the tick shows what is still missing
    const StrokeDelta delta = m_strokes.NewStampsSince(m_drawn);
    if (!m_bFrameValid || delta.bRestart || !delta.stamps.empty())
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

BOOL CPaintDlg::OnEraseBackground(HDC) {
    return TRUE; // OnPaint covers every pixel; an erase would only flash
}

void CPaintDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    // a move shows only its own pixels: a frame drawn afresh shows whole
    if (m_hRC && RenderStrokes())
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    m_frame.Present(dc.Get(), m_cx, m_cy);
}

// Only stamps made since the last frame are drawn: the frame keeps the ink
// of everything before them. True when the frame was drawn afresh; a frame
// that could not be drawn waits for the next tick.
bool CPaintDlg::RenderStrokes() {
    StrokeDelta delta = m_strokes.NewStampsSince(m_drawn);
    const bool bRebuild = !m_bFrameValid || delta.bRestart;
    if (bRebuild) {
        m_frame.FillWhite();
        delta.stamps = m_strokes.Points();
    }
    // stamps that did not reach the frame stay new for the next tick
    if (!delta.stamps.empty() && !m_renderer.AddStamps(delta.stamps, m_frame)) {
        m_bFrameValid = !bRebuild;
        return false;
    }
    m_bFrameValid = true;
    m_drawn = m_strokes.FrameMark();
    return bRebuild;
}

void CPaintDlg::OnLButtonDown(UINT, POINT point) {
    m_strokes.OnLButtonDown(point.x, point.y);
    NotifyActivity();
}

void CPaintDlg::OnLButtonUp(UINT, POINT) {
    m_strokes.OnLButtonUp();
}

void CPaintDlg::OnMouseMove(UINT, POINT point) {
    MoveAndShow(point.x, point.y);
    NotifyActivity();
}

// The ink of a move goes on the screen as the move arrives, once the input
// queued before it is taken, and only where it lands; the tick stays for the
// brush's decay.
void CPaintDlg::MoveAndShow(int x, int y) {
    const StrokePos from = m_strokes.LastPoint();
    if (m_strokes.OnMouseMove(x, y, m_cx, m_cy) == 0)
        return;
    // no stamp is larger than the drawing brush, plus a pixel of filtering
    const int reach = static_cast<int>(CStrokeModel::kMaxDrawingSize) + 2;
    const RECT rc{std::min(from.x, x) - reach, std::min(from.y, y) - reach, std::max(from.x, x) + reach + 1,
                  std::max(from.y, y) + reach + 1};
    ::InvalidateRect(m_hWnd, &rc, FALSE);
}

bool CPaintDlg::OnPointerDown(UINT32 nPointerId, UINT, POINT) {
    if (!IsTouchOrPen(nPointerId))
        return false;
    // a stroke whose finger left without a word to the pad ends now
    if (m_pointer.IsTracking() && !IsPointerInContact(m_pointer.PointerId()))
        ApplyPointer(m_pointer.OnCancel(m_pointer.PointerId()));
    ApplyPointer(m_pointer.OnDown(nPointerId, PadSamples(nPointerId), m_cx, m_cy));
    return true;
}

bool CPaintDlg::OnPointerUpdate(UINT32 nPointerId, UINT nFlags, POINT) {
    if (m_pointer.IsTracking(nPointerId)) {
        ApplyPointer(m_pointer.OnUpdate(nPointerId, PadSamples(nPointerId), m_cx, m_cy));
        return true;
    }
    // another finger is ignored; a pen above the pad moves as a mouse does
    return (nFlags & kPointerFlagInContact) && IsTouchOrPen(nPointerId);
}

bool CPaintDlg::OnPointerUp(UINT32 nPointerId, UINT, POINT) {
    if (!m_pointer.IsTracking(nPointerId))
        return IsTouchOrPen(nPointerId);
    ApplyPointer(m_pointer.OnUp(nPointerId, PadSamples(nPointerId), m_cx, m_cy));
    return true;
}

bool CPaintDlg::OnPointerCaptureChanged(UINT32 nPointerId, UINT, POINT) {
    ApplyPointer(m_pointer.OnCancel(nPointerId));
    return false;
}

std::vector<PointerSample> CPaintDlg::PadSamples(UINT32 nPointerId) const {
    std::vector<PointerSample> samples;
    for (PointerPoint p : PointerInputs(nPointerId)) {
        ::ScreenToClient(m_hWnd, &p.pt);
        samples.push_back({p.nFrame, p.pt.x, p.pt.y, p.bCanceled});
    }
    return samples;
}

void CPaintDlg::ApplyPointer(const std::vector<StrokeInput>& inputs) {
    for (const StrokeInput& in : inputs) {
        switch (in.kind) {
        case StrokeInput::Kind::Jump:
            m_strokes.JumpTo(in.x, in.y);
            break;
        case StrokeInput::Kind::Press:
            m_strokes.OnLButtonDown(in.x, in.y);
            break;
        case StrokeInput::Kind::Move:
            MoveAndShow(in.x, in.y);
            break;
        case StrokeInput::Kind::Release:
            m_strokes.OnLButtonUp();
            break;
        }
    }
    if (!inputs.empty())
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
