// How fast the sound file reader decodes to float: the 10-minute demo file
// (16-bit stereo, the one BM_WaveFileReadWholeFile reads as bytes) and the
// same program stored as 24-bit stereo, each read front to back by frame
// position in blocks of 4408 frames (one 0.1 s streaming buffer).
#include "audio/sound_file.h"
#include "tools/demo_wave.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kBench16[] = "/tmp/tenvelo_bench_600s.wav";
const char kBench24[] = "/tmp/tenvelo_bench_600s_24.wav";
constexpr double kBenchSeconds = 600.0;
constexpr int64_t kFrames = int64_t(kBenchSeconds) * demo::kSampleRate;
constexpr uint32_t kBlockFrames = 4408;

bool HasSize(const char* path, long long size) {
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    const bool ok = fseeko(f, 0, SEEK_END) == 0 && ftello(f) == size;
    fclose(f);
    return ok;
}

void PutLe(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

// The demo program as 24-bit samples: each 16-bit sample with a low byte
// that varies, so no decoder can take a short cut on zeros.
bool Write24(const char* path) {
    std::vector<uint8_t> b;
    const uint32_t dataBytes = uint32_t(kFrames * 6);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    PutLe(b, 36 + dataBytes, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(b, 16, 4);
    PutLe(b, 1, 2);
    PutLe(b, 2, 2);
    PutLe(b, demo::kSampleRate, 4);
    PutLe(b, demo::kSampleRate * 6, 4);
    PutLe(b, 6, 2);
    PutLe(b, 24, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    PutLe(b, dataBytes, 4);
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    bool ok = fwrite(b.data(), 1, b.size(), f) == b.size();
    for (int64_t i = 0; ok && i < kFrames; i += kBlockFrames) {
        b.clear();
        for (int64_t k = i; k < i + kBlockFrames && k < kFrames; ++k) {
            int16_t left, right;
            demo::Frame(k, &left, &right);
            PutLe(b, uint32_t(int32_t(left) * 256 + int32_t(k & 0xFF)), 3);
            PutLe(b, uint32_t(int32_t(right) * 256 + int32_t((k >> 3) & 0xFF)), 3);
        }
        ok = fwrite(b.data(), 1, b.size(), f) == b.size();
    }
    return fclose(f) == 0 && ok;
}

bool EnsureFile(const char* path, int bytesPerFrame) {
    if (HasSize(path, 44 + kFrames * bytesPerFrame)) return true;
    return bytesPerFrame == 4 ? demo::WriteDemoWave(path, kBenchSeconds) : Write24(path);
}

void DecodeWholeFile(benchmark::State& state, const char* path, int bytesPerFrame) {
    if (!EnsureFile(path, bytesPerFrame)) {
        state.SkipWithError("cannot write the benchmark file");
        return;
    }
    SoundFile file;
    if (SoundFileOpen(&file, path, nullptr) != kSoundOpened) {
        state.SkipWithError(file.why);
        return;
    }
    std::vector<float> out(size_t(kBlockFrames) * file.format.channels);
    for (auto _ : state) {
        for (uint64_t at = 0; at < file.frames; at += kBlockFrames) {
            SoundFileRead(&file, at, out.data(), kBlockFrames);
            benchmark::DoNotOptimize(out.data());
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.dataSize));
    state.SetItemsProcessed(int64_t(state.iterations()) *
                            int64_t(file.frames)); // frames per second
    SoundFileClose(&file);
}

void BM_SoundFileDecode16Stereo(benchmark::State& state) {
    DecodeWholeFile(state, kBench16, 4);
}
void BM_SoundFileDecode24Stereo(benchmark::State& state) {
    DecodeWholeFile(state, kBench24, 6);
}
BENCHMARK(BM_SoundFileDecode16Stereo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SoundFileDecode24Stereo)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
