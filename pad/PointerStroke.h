// A finger's or a pen's stroke on the pad from the system's pointer frames.
// A touch update carries every input the digitiser reported since the last
// one, newest first, and may repeat inputs already delivered; this turns such
// frames into the presses, moves and releases the brush model takes, in the
// order they were made, each once. One stroke follows one pointer: a second
// finger or a palm is ignored, a cancelled pointer ends the stroke, and a
// stroke that leaves the pad ends at its edge and starts again when the
// finger comes back. Needs nothing from the platform.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// One input of a pointer as the system reports it.
struct PointerSample {
    uint32_t nFrame; // input frame id: later inputs have later ids (wrapping)
    int32_t x, y;    // pad client pixels
    bool bCanceled;  // the system took the pointer away (a gesture, a palm)
};

// What the brush model is to do, in order. Jump places the position without
// ink: a finger put down has not travelled over the pad from where it left.
struct StrokeInput {
    enum class Kind { Jump, Press, Move, Release };
    Kind kind;
    int32_t x, y;
    bool operator==(const StrokeInput&) const = default;
};

class CPointerStroke {
public:
    // The samples of one message, newest first as the system gives them; the
    // pad is cx x cy pixels. Each returns the inputs for the brush model.
    std::vector<StrokeInput> OnDown(uint32_t nPointerId, std::span<const PointerSample> newestFirst, int cx, int cy);
    std::vector<StrokeInput> OnUpdate(uint32_t nPointerId, std::span<const PointerSample> newestFirst, int cx, int cy);
    std::vector<StrokeInput> OnUp(uint32_t nPointerId, std::span<const PointerSample> newestFirst, int cx, int cy);
    // The pointer was taken away without a frame (lost capture).
    std::vector<StrokeInput> OnCancel(uint32_t nPointerId);

    // Whether this pointer, or any, draws the stroke.
    bool IsTracking(uint32_t nPointerId) const { return m_bTracking && m_nPointerId == nPointerId; }
    bool IsTracking() const { return m_bTracking; }
    uint32_t PointerId() const { return m_nPointerId; }

private:
    // The samples not delivered yet, oldest first, each laid down in turn.
    void Follow(std::span<const PointerSample> newestFirst, int cx, int cy, std::vector<StrokeInput>& out);
    void End(std::vector<StrokeInput>& out);

    bool m_bTracking = false;
    uint32_t m_nPointerId = 0;
    uint32_t m_nLastFrame = 0;          // the newest input delivered
    int32_t m_nLastX = 0, m_nLastY = 0; // and where it was
    bool m_bOnPad = false;              // inside the pad since the last press
};
