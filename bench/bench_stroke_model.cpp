// Cost of laying brush stamps: a signature of 100 000 stamps, made by
// 10-pixel moves (11 stamps each), into a fresh pad and into a pad that has
// just been cleared and keeps its buffer.
#include "pad/StrokeModel.h"

#include <benchmark/benchmark.h>

namespace {

constexpr size_t kStamps = 100000;
constexpr int kPadW = 475;
constexpr int kPadH = 274;

// Zigzags by (6, 8) and back so the pointer stays on the pad.
size_t WriteSignature(CStrokeModel& model) {
    model.OnLButtonDown(100, 100);
    int step = 0;
    while (model.Points().size() < kStamps) {
        const int d = (step++ & 1) ? 0 : 1;
        model.OnMouseMove(100 + 6 * d, 100 + 8 * d, kPadW, kPadH);
    }
    model.OnLButtonUp();
    return model.Points().size();
}

void SetCounters(benchmark::State& state, const CStrokeModel& model, size_t nStamps) {
    state.SetItemsProcessed(static_cast<int64_t>(nStamps) * state.iterations());
    state.counters["stamps"] = static_cast<double>(model.Points().size());
    state.counters["bytes_per_stamp"] = static_cast<double>(model.Points().capacity() * sizeof(StrokePoint)) /
                                        static_cast<double>(model.Points().size());
}

void BM_AppendStampsFreshPad(benchmark::State& state) {
    size_t nStamps = 0;
    for (auto _ : state) {
        CStrokeModel model;
        nStamps = WriteSignature(model);
        benchmark::DoNotOptimize(model.Points().data());
    }
    CStrokeModel sample; // outside the timing, for the memory figures
    WriteSignature(sample);
    SetCounters(state, sample, nStamps);
}
BENCHMARK(BM_AppendStampsFreshPad)->Unit(benchmark::kMicrosecond);

void BM_AppendStampsAfterClear(benchmark::State& state) {
    CStrokeModel model;
    WriteSignature(model);
    size_t nStamps = 0;
    for (auto _ : state) {
        model.ClearStrokes();
        nStamps = WriteSignature(model);
        benchmark::DoNotOptimize(model.Points().data());
    }
    SetCounters(state, model, nStamps);
}
BENCHMARK(BM_AppendStampsAfterClear)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
