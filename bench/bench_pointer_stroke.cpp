// What a fast stroke keeps: a finger crossing the pad in a quarter of a
// second, sampled by a 240 Hz digitiser and delivered 60 times a second, each
// update carrying the inputs merged since the last one (newest first) plus
// the last one again. Counts the moves the brush gets through the pointer
// conversion beside the mouse path's one point per message, and times the
// conversion per update.
#include "pad/PointerStroke.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kPadW = 1098, kPadH = 421;
constexpr int kSamples = 61;   // 240 Hz over 0.25 s, both ends
constexpr int kPerMessage = 4; // 240 Hz digitiser, 60 Hz messages
constexpr uint32_t kPointer = 7;

// A loop of a signature: across the pad and up and down twice.
PointerSample Sample(int i) {
    const double t = static_cast<double>(i) / (kSamples - 1);
    return {static_cast<uint32_t>(100 + i), static_cast<int32_t>(60 + t * (kPadW - 120)),
            static_cast<int32_t>(kPadH / 2 + std::sin(t * 4 * 3.14159265) * kPadH / 3), false};
}

// The frames of one stroke as the system hands them over, newest first.
std::vector<std::vector<PointerSample>> Messages() {
    std::vector<std::vector<PointerSample>> messages{{Sample(0)}};
    for (int newest = kPerMessage; newest < kSamples; newest += kPerMessage) {
        std::vector<PointerSample> frame;
        for (int i = newest; i >= newest - kPerMessage; --i) // the last one delivered again
            frame.push_back(Sample(i));
        messages.push_back(frame);
    }
    return messages;
}

void BM_FastStrokeThroughTheConversion(benchmark::State& state) {
    const std::vector<std::vector<PointerSample>> messages = Messages();
    size_t nMoves = 0;
    for (auto _ : state) {
        CPointerStroke stroke;
        nMoves = 0;
        for (size_t m = 0; m < messages.size(); ++m) {
            const auto inputs = m == 0 ? stroke.OnDown(kPointer, messages[m], kPadW, kPadH)
                                       : stroke.OnUpdate(kPointer, messages[m], kPadW, kPadH);
            for (const StrokeInput& in : inputs)
                nMoves += in.kind == StrokeInput::Kind::Move;
        }
        benchmark::DoNotOptimize(nMoves);
    }
    state.SetItemsProcessed(static_cast<int64_t>(messages.size()) * state.iterations());
    state.counters["digitiser_points"] = kSamples;
    state.counters["moves_kept"] = static_cast<double>(nMoves);
    state.counters["mouse_path_moves"] = static_cast<double>(messages.size() - 1); // one per message after the press
}
BENCHMARK(BM_FastStrokeThroughTheConversion);

} // namespace

BENCHMARK_MAIN();
