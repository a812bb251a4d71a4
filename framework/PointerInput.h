// Touch and pen as the system reports them since Windows 8: pointer messages
// with every input the digitiser made, and no feedback or gestures of the
// system's own over the kiosk's windows. Mouse pointers, and every pointer
// where the functions are missing (older Windows, Wine), keep the mouse path.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// What Velmo's windows answer WM_TABLET_QUERYSYSTEMGESTURESTATUS (0x02CC):
// no press-and-hold (which holds a press back to see whether it becomes a
// right click), no flicks and no tap feedback.
constexpr UINT kWmTabletQuerySystemGestureStatus = 0x02CC;
constexpr LRESULT kNoSystemGestures = 0x00000001    // TABLET_DISABLE_PRESSANDHOLD
                                      | 0x00000008  // TABLET_DISABLE_PENTAPFEEDBACK
                                      | 0x00000010  // TABLET_DISABLE_PENBARRELFEEDBACK
                                      | 0x00010000  // TABLET_DISABLE_FLICKS
                                      | 0x00100000; // TABLET_DISABLE_FLICKFALLBACKKEYS

// The pointer messages, and the flags in the high word of their wParam.
constexpr UINT kWmPointerUpdate = 0x0245;
constexpr UINT kWmPointerDown = 0x0246;
constexpr UINT kWmPointerUp = 0x0247;
constexpr UINT kWmPointerCaptureChanged = 0x024C;
constexpr UINT kPointerFlagPrimary = 0x2000;   // POINTER_MESSAGE_FLAG_PRIMARY
constexpr UINT kPointerFlagInContact = 0x0004; // POINTER_MESSAGE_FLAG_INCONTACT

// One input of a pointer, in screen pixels as the digitiser reported it.
struct PointerPoint {
    uint32_t nFrame;
    POINT pt;
    bool bCanceled;
};

// A touch or a pen; false for a mouse and where the system cannot say.
bool IsTouchOrPen(UINT32 nPointerId);
// Whether the pointer still touches the screen.
bool IsPointerInContact(UINT32 nPointerId);
// The inputs the current message of the pointer stands for, newest first:
// those the system merged into it, and its own; empty where it cannot say.
std::vector<PointerPoint> PointerInputs(UINT32 nPointerId);
// No contact circles, tap, press-and-hold or right-tap feedback over the window.
void TurnOffTouchFeedback(HWND hWnd);
// No system panels from a swipe in from a screen edge while the window is
// active and covers the screen; false where the system could not be told.
bool TurnOffEdgeSwipes(HWND hWnd);
