// The loudness meter's per-buffer work on the streaming thread's buffers
// (4408 stereo frames): the true peak alone, and the whole meter (true peak
// and K-weighting). Steady tones at -6 dBFS, so no stretch is quiet enough
// for the true peak to skip: its slowest case. The argument puts a lane
// table in force (4: SSE, 8: AVX2); 0 leaves the CPU's choice.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "meter/lane_table.h"
#include "meter/loudness.h"

namespace {

constexpr uint32_t kFrames = 4408;

std::vector<int16_t> SteadyTones() {
    std::vector<int16_t> pcm(2 * kFrames);
    const double amplitude = 32768.0 * std::pow(10.0, -6.0 / 20.0);
    for (uint32_t i = 0; i < kFrames; ++i) {
        pcm[2 * i] = int16_t(std::lround(amplitude * std::sin(0.142 * i)));
        pcm[2 * i + 1] = int16_t(std::lround(amplitude * std::sin(0.213 * i + 1.0)));
    }
    return pcm;
}

// Puts the argument's table in force; false (the benchmark skipped) where
// this build or CPU has none.
bool UseLanes(benchmark::State& state) {
    const uint32_t lanes = uint32_t(state.range(0));
    const LaneTable* table = lanes ? LaneTableOf(lanes) : nullptr;
    if (lanes && !table) state.SkipWithError("no such lanes here");
    LanesSetTable(table);
    return !lanes || table;
}

void PerFrame(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TruePeakAdd(benchmark::State& state) {
    const std::vector<int16_t> pcm = SteadyTones();
    TruePeak m{};
    if (!UseLanes(state)) return;
    if (!TruePeakInit(&m, kFrames)) return state.SkipWithError("no memory");
    for (auto _ : state) {
        TruePeakAdd(&m, pcm.data(), kFrames);
        benchmark::DoNotOptimize(m.peak);
    }
    PerFrame(state);
    TruePeakFree(&m);
    LanesSetTable(nullptr);
}
BENCHMARK(BM_TruePeakAdd)->Arg(0)->Arg(4)->Arg(8)->ArgName("lanes");

void BM_LoudnessAdd(benchmark::State& state) {
    const std::vector<int16_t> pcm = SteadyTones();
    LoudnessMeter m{};
    if (!UseLanes(state)) return;
    if (!LoudnessInit(&m, kFrames) || !LoudnessStart(&m, 3600 * 44100))
        return state.SkipWithError("no memory");
    for (auto _ : state) {
        LoudnessAdd(&m, pcm.data(), kFrames);
        benchmark::ClobberMemory();
    }
    PerFrame(state);
    LoudnessFree(&m);
    LanesSetTable(nullptr);
}
BENCHMARK(BM_LoudnessAdd)->Arg(0)->Arg(4)->Arg(8)->ArgName("lanes");

} // namespace
