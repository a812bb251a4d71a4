// CPaintDlg: the signature pad, a child of the sign-in page. Pointer input
// lays brush stamps (CStrokeModel); OpenGL draws them, and the finished frame
// is read back and put on the window with GDI, so the screen, a screen copy
// and GetLastFrame all show the same pixels.
#pragma once

#include <functional>

#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "pad/FrameDib.h"
#include "pad/GLContext.h"
#include "pad/PointerStroke.h"
#include "pad/RenderSurface.h"
#include "pad/StampRenderer.h"
#include "pad/StrokeModel.h"

constexpr UINT_PTR kPadTimerId = 0;
constexpr wchar_t kBrushFile[] = L"Picture\\Texture.bmp";
constexpr UINT kPadTimerPeriod = 30;

class CPaintDlg : public CDialog {
public:
    CPaintDlg();
    ~CPaintDlg() override;

    // Pen colour for new stamps, from a palette COLORREF.
    void SetPenColor(COLORREF color);
    // Forgets every stamp and repaints a blank pad.
    void ClearStrokes();
    // Called on every press and move over the pad, so the page's idle timer
    // knows a visitor is still writing.
    void SetActivityCallback(std::function<void()> onActivity) { m_onActivity = std::move(onActivity); }

    // The pad's last presented frame: a 32-bit top-down DIB section owned by
    // the pad, valid until the pad is resized or destroyed. Null without one.
    HBITMAP GetLastFrame() const { return m_frame.Get(); }
    // Why kBrushFile could not be read when the pad was created, so that the
    // page can say so; the pad then writes with a brush of its own.
    BrushError BrushImageError() const { return m_brushError; }

protected:
    CMessageMap GetMessageMap() const override;

private:
    int OnCreate();
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();
    BOOL OnEraseBackground(HDC hdc);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnLButtonUp(UINT nFlags, POINT point);
    void OnMouseMove(UINT nFlags, POINT point);
    bool OnPointerDown(UINT32 nPointerId, UINT nFlags, POINT ptScreen);
    bool OnPointerUpdate(UINT32 nPointerId, UINT nFlags, POINT ptScreen);
    bool OnPointerUp(UINT32 nPointerId, UINT nFlags, POINT ptScreen);
    bool OnPointerCaptureChanged(UINT32 nPointerId, UINT nFlags, POINT ptScreen);

    bool SetupPixelFormat();
    bool ReplaceSurface(int cx, int cy);
    void LoadBrushTexture();
    bool RenderStrokes();
    void ReleaseRenderingContext();
    void NotifyActivity();
    void MoveAndShow(int x, int y);
    // The pointer's inputs for this message, in the pad's client pixels.
    std::vector<PointerSample> PadSamples(UINT32 nPointerId) const;
    // Lays what the pointer did into the brush model and shows it.
    void ApplyPointer(const std::vector<StrokeInput>& inputs);

    CStrokeModel m_strokes;
    CPointerStroke m_pointer; // touch and pen; the mouse goes straight to m_strokes
    CRenderSurface m_surface; // owns m_hDC, the rendering context's drawable
    HDC m_hDC = nullptr;
    CGLContext m_hRC;
    int m_nPixelFormat = 0;
    GLuint m_texture = 0;
    int m_cx = 0;
    int m_cy = 0;

    CStampRenderer m_renderer;
    CFrameDib m_frame;
    StrokeFrameMark m_drawn;    // stamps already in m_frame
    bool m_bFrameValid = false; // false: m_frame must be rebuilt from all stamps
    std::function<void()> m_onActivity;
    BrushError m_brushError = BrushError::None;
};
