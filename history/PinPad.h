// Where everything of the history's PIN keypad lies: the panel centred on the
// screen, its keys, the dots of the entry and the shake of a wrong PIN. Design
// units of "Picture\PinPad.png" at a 1920 x 1080 screen, scaled like the
// page. Needs nothing from the platform.
#pragma once

#include <cstddef>

#include "framework/Geometry.h"

// 0 to 9 are the digit keys.
enum class PinKey { D0, D1, D2, D3, D4, D5, D6, D7, D8, D9, Clear, Back, Cancel, Ok, None };

// The keypad on the screen.
LayoutRect PinPadRect(const DesignScale& s);
// A key in the keypad's client area; empty for None.
LayoutRect PinKeyRect(PinKey key, const DesignScale& s);
PinKey PinKeyAt(int x, int y, const DesignScale& s);
// Dot i of count in the entry field, centred as a row.
LayoutRect PinDotRect(size_t i, size_t count, const DesignScale& s);

// A wrong PIN shakes the keypad sideways: the offset from its place at each
// step, the last one back at 0.
constexpr int kPinShakeSteps = 10;
constexpr unsigned kPinShakeStepMs = 30;
int PinShakeOffset(int step, const DesignScale& s);
