// The per-buffer analysis entry, for 16-bit and for float samples, against
// a loop that only sums the buffer's samples, on the streaming thread's
// 17632-byte buffers (4408 stereo frames).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "meter/level_analysis.h"
#include "meter/meter_engine.h"

namespace {

constexpr uint32_t kBufferBytes = 17632;
constexpr uint32_t kFrames = kBufferBytes / 4;

std::vector<int16_t> RandomBuffer() {
    std::mt19937 rng(5);
    std::vector<int16_t> pcm(kBufferBytes / 2);
    for (int16_t& s : pcm)
        s = static_cast<int16_t>(rng());
    return pcm;
}

MeterEngine* BenchEngine(float delaySeconds) {
    MeterEngine* engine = MeterEngineCreate(nullptr);
    MeterSetFormat(&engine, 44100.0f, 2);
    MeterConfig c;
    MeterGetConfig(engine, &c);
    c.params.delay = c.params2.delay = delaySeconds;
    MeterSetFrameLossSwitches(engine, 1, 1); // the display never holds the audio path up
    MeterSetConfig(engine, &c);
    return engine;
}

void BM_AnalyseBuffer(benchmark::State& state) {
    std::vector<int16_t> pcm = RandomBuffer();
    MeterEngine* engine = BenchEngine(static_cast<float>(state.range(0)));
    for (auto _ : state) {
        AnalyseBuffer(&engine, pcm.data(), kBufferBytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    MeterEngineDestroy(&engine);
}
BENCHMARK(BM_AnalyseBuffer)->Arg(0)->Arg(2)->ArgName("delay_s");

// The same samples as float amplitudes, as the scan hands over the files
// that are not 16-bit.
void BM_AnalyseFloatBuffer(benchmark::State& state) {
    const std::vector<int16_t> pcm = RandomBuffer();
    std::vector<float> amplitudes(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i)
        amplitudes[i] = pcm[i] * kSampleScale;
    MeterEngine* engine = BenchEngine(static_cast<float>(state.range(0)));
    for (auto _ : state) {
        AnalyseFloatBuffer(&engine, amplitudes.data(), kFrames);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    MeterEngineDestroy(&engine);
}
BENCHMARK(BM_AnalyseFloatBuffer)->Arg(0)->Arg(2)->ArgName("delay_s");

// The peer: every 16-bit sample of the buffer summed into a 64-bit integer.
void BM_SumSamples(benchmark::State& state) {
    std::vector<int16_t> pcm = RandomBuffer();
    for (auto _ : state) {
        const int16_t* p = pcm.data();
        benchmark::DoNotOptimize(p);
        int64_t sum = 0;
        for (uint32_t i = 0; i < kBufferBytes / 2; ++i)
            sum += p[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SumSamples);

} // namespace
