#include "history/PinPad.h"

#include <algorithm>

namespace {

constexpr int kPanelWidth = 600;
constexpr int kPanelHeight = 880;
// the digit keys, three to a row; the last row holds clear, 0 and back
constexpr int kKeyLeft = 40;
constexpr int kKeyTop = 210;
constexpr int kKeyWidth = 160;
constexpr int kKeyHeight = 110;
constexpr int kKeyPitchX = 180;
constexpr int kKeyPitchY = 130;
constexpr LayoutRect kCancelKey{40, 740, 290, 850};
constexpr LayoutRect kOkKey{310, 740, 560, 850};
constexpr LayoutRect kField{40, 90, 560, 190};
constexpr int kDotSize = 28;
constexpr int kDotPitch = 40;

constexpr int kShake[kPinShakeSteps] = {20, -20, 16, -16, 12, -12, 8, -8, 4, 0};

// Grid place of a key on the four rows of three, as a row-major index.
int GridIndex(PinKey key) {
    switch (key) {
    case PinKey::D0:
        return 10;
    case PinKey::Clear:
        return 9;
    case PinKey::Back:
        return 11;
    default:
        return static_cast<int>(key) - 1; // 1 to 9 from the top left
    }
}

} // namespace

LayoutRect PinPadRect(const DesignScale& s) {
    const int left = s.X((1920 - kPanelWidth) / 2);
    const int top = s.Y((1080 - kPanelHeight) / 2);
    return {left, top, left + s.X(kPanelWidth), top + s.Y(kPanelHeight)};
}

LayoutRect PinKeyRect(PinKey key, const DesignScale& s) {
    switch (key) {
    case PinKey::None:
        return {};
    case PinKey::Cancel:
        return s.Scale(kCancelKey.left, kCancelKey.top, kCancelKey.right, kCancelKey.bottom);
    case PinKey::Ok:
        return s.Scale(kOkKey.left, kOkKey.top, kOkKey.right, kOkKey.bottom);
    default:
        break;
    }
    const int index = GridIndex(key);
    const int left = kKeyLeft + index % 3 * kKeyPitchX;
    const int top = kKeyTop + index / 3 * kKeyPitchY;
    return s.Scale(left, top, left + kKeyWidth, top + kKeyHeight);
}

PinKey PinKeyAt(int x, int y, const DesignScale& s) {
    for (int k = 0; k < static_cast<int>(PinKey::None); ++k) {
        if (PinKeyRect(static_cast<PinKey>(k), s).Contains(x, y))
            return static_cast<PinKey>(k);
    }
    return PinKey::None;
}

LayoutRect PinDotRect(size_t i, size_t count, const DesignScale& s) {
    // round on every screen: the smaller scale sets the size
    const int size = static_cast<int>(kDotSize * std::min(s.sx, s.sy));
    const double rowWidth = static_cast<double>(count - 1) * kDotPitch;
    const double cx = (kField.left + kField.right) / 2.0 - rowWidth / 2 + static_cast<double>(i) * kDotPitch;
    const double cy = (kField.top + kField.bottom) / 2.0;
    const int left = s.X(cx) - size / 2;
    const int top = s.Y(cy) - size / 2;
    return {left, top, left + size, top + size};
}

int PinShakeOffset(int step, const DesignScale& s) {
    return step >= 0 && step < kPinShakeSteps ? s.X(kShake[step]) : 0;
}
