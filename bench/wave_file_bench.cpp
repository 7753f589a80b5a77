// How fast the WAVE reader hands out streaming buffers: a 10-minute demo file
// read front to back in 17632-byte buffers (4408 frames, 0.1 s at 44100 Hz).
#include "audio/wave_file.h"
#include "tools/demo_wave.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

const char kBenchWave[] = "/tmp/tenvelo_bench_600s.wav";
constexpr double kBenchSeconds = 600.0;
constexpr uint32_t kBufferBytes = 17632;

// Writes the file once; later runs reuse it when its size is right.
bool EnsureBenchWave() {
    const long long want = 44 + 600LL * demo::kSampleRate * 4;
    if (FILE* f = fopen(kBenchWave, "rb")) {
        const bool ok = fseeko(f, 0, SEEK_END) == 0 && ftello(f) == want;
        fclose(f);
        if (ok) return true;
    }
    return demo::WriteDemoWave(kBenchWave, kBenchSeconds);
}

void BM_WaveFileReadWholeFile(benchmark::State& state) {
    if (!EnsureBenchWave()) {
        state.SkipWithError("cannot write the benchmark WAVE file");
        return;
    }
    WaveFile file = {};
    if (WaveFileOpen(&file, kBenchWave) != 0) {
        state.SkipWithError("cannot open the benchmark WAVE file");
        return;
    }
    std::vector<uint8_t> buffer(kBufferBytes);
    const int64_t frames = file.dataLength;
    int64_t buffers = 0;
    for (auto _ : state) {
        WaveFileSeek(&file, 0);
        while (file.position < frames) {
            file.read(&file, buffer.data(), kBufferBytes);
            benchmark::DoNotOptimize(buffer.data());
            ++buffers;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * file.dataSize);
    state.SetItemsProcessed(buffers); // streaming buffers per second
    WaveFileClose(&file);
}
BENCHMARK(BM_WaveFileReadWholeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
