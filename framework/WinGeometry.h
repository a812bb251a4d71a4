// The one crossing between the portable rectangles and the platform's RECT.
#pragma once

#include <windows.h>

#include "framework/Geometry.h"

inline RECT ToRect(const LayoutRect& rc) {
    return {rc.left, rc.top, rc.right, rc.bottom};
}

inline LayoutRect ToLayoutRect(const RECT& rc) {
    return {rc.left, rc.top, rc.right, rc.bottom};
}

// The current screen's scale from the 1920 x 1080 design.
inline DesignScale ScreenDesignScale() {
    return DesignScale::ForScreen(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}
