// The loudness meter's per-buffer work on the streaming thread's buffers
// (4408 stereo frames): the true peak alone, and the whole meter (true peak
// and K-weighting), 16-bit at 44100 Hz; and the whole meter on float stereo
// at 48000 Hz (4800 frames, 0.1 s) and on float 5.1 (its five measured
// channels in three pairs). Steady tones at -6 dBFS, so no stretch is quiet
// enough for the true peak to skip: its slowest case. The argument puts a
// lane table in force (4: SSE, 8: AVX2); 0 leaves the CPU's choice.
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

// Steady tones at -6 dBFS as float, `channels` interleaved, 0.1 s at 48000 Hz.
constexpr uint32_t kFloatFrames = 4800;

std::vector<float> SteadyFloatTones(uint32_t channels) {
    std::vector<float> x(size_t(channels) * kFloatFrames);
    const double amplitude = std::pow(10.0, -6.0 / 20.0);
    for (uint32_t i = 0; i < kFloatFrames; ++i)
        for (uint32_t ch = 0; ch < channels; ++ch)
            x[size_t(i) * channels + ch] = float(amplitude * std::sin((0.13 + 0.04 * ch) * i + ch));
    return x;
}

void LoudnessAddFloat(benchmark::State& state, uint32_t channels) {
    const std::vector<float> x = SteadyFloatTones(channels);
    LoudnessMeter m{};
    if (!UseLanes(state)) return;
    if (!LoudnessInit(&m, kFloatFrames) ||
        !LoudnessStart(&m, 3600 * 48000, LoudnessFormatOf(48000, channels, 0)))
        return state.SkipWithError("no memory");
    for (auto _ : state) {
        LoudnessAddFloat(&m, x.data(), kFloatFrames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFloatFrames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFloatFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    LoudnessFree(&m);
    LanesSetTable(nullptr);
}

void BM_LoudnessAddFloatStereo48k(benchmark::State& state) {
    LoudnessAddFloat(state, 2);
}
BENCHMARK(BM_LoudnessAddFloatStereo48k)->Arg(0)->Arg(4)->Arg(8)->ArgName("lanes");

void BM_LoudnessAddFloat51At48k(benchmark::State& state) {
    LoudnessAddFloat(state, 6);
}
BENCHMARK(BM_LoudnessAddFloat51At48k)->Arg(0)->Arg(4)->Arg(8)->ArgName("lanes");

} // namespace
