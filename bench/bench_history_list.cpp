// Building the history list from a record folder of 100 000 sign-ins: the
// names as a disordered enumeration gives them, and in the order NTFS lists
// them. Reports the time per load and the memory the list keeps per entry.
#include "history/HistoryList.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 100000;

std::wstring TwoDigits(int n) {
    return std::wstring(1, static_cast<wchar_t>(L'0' + n / 10 % 10)) + static_cast<wchar_t>(L'0' + n % 10);
}

// Names as records are saved: date and time in fixed-width fields, one a second.
std::vector<std::wstring> RecordNames(bool bShuffled) {
    std::vector<std::wstring> names;
    names.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        const int day = 1 + i / 86400;
        names.push_back(L"2014年05月" + TwoDigits(day) + L"日" + TwoDigits(i / 3600 % 24) + L"时" +
                        TwoDigits(i / 60 % 60) + L"分" + TwoDigits(i % 60) + L"秒.bmp");
    }
    if (bShuffled)
        std::shuffle(names.begin(), names.end(), std::mt19937(20140509));
    return names;
}

std::vector<HistoryDirEntry> Enumeration(const std::vector<std::wstring>& names) {
    std::vector<HistoryDirEntry> entries{{L".", true}, {L"..", true}};
    for (const std::wstring& name : names)
        entries.push_back({name, false});
    return entries;
}

// Heap and vector bytes the list holds, short-string buffers counted once.
double RetainedBytes(const std::vector<std::wstring>& files) {
    double bytes = static_cast<double>(files.capacity() * sizeof(std::wstring));
    for (const std::wstring& s : files) {
        const auto* p = reinterpret_cast<const char*>(s.data());
        const auto* self = reinterpret_cast<const char*>(&s);
        if (p < self || p >= self + sizeof(s))
            bytes += static_cast<double>((s.capacity() + 1) * sizeof(wchar_t));
    }
    return bytes;
}

void LoadBenchmark(benchmark::State& state, bool bShuffled, const HistoryFilter& filter = {}) {
    const std::vector<std::wstring> names = RecordNames(bShuffled);
    const std::vector<HistoryDirEntry> entries = Enumeration(names);
    CHistoryList list;
    for (auto _ : state) {
        list.Load(L"SignIn", entries, filter);
        benchmark::DoNotOptimize(list.Files().data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(kRecords) * state.iterations());
    state.counters["records"] = static_cast<double>(list.Files().size());
    state.counters["max_row"] = list.MaxRow();
    state.counters["bytes_per_entry"] = RetainedBytes(list.Files()) / static_cast<double>(list.Files().size());
}

void BM_LoadShuffledFolder(benchmark::State& state) {
    LoadBenchmark(state, true);
}
BENCHMARK(BM_LoadShuffledFolder)->Unit(benchmark::kMillisecond);

void BM_LoadFolderInNtfsOrder(benchmark::State& state) {
    LoadBenchmark(state, false);
}
BENCHMARK(BM_LoadFolderInNtfsOrder)->Unit(benchmark::kMillisecond);

// [History] Days=1 on the second day: every name read for its date
void BM_LoadFolderTodayOnly(benchmark::State& state) {
    LoadBenchmark(state, false, {1, {2014, 5, 2, 12, 0, 0}});
}
BENCHMARK(BM_LoadFolderTodayOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
