#include "tools/demo_wave.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "sys/byte_order.h"
#include "sys/file_path.h"

namespace demo {
namespace {

// clang-format off
const Section kSections[] = {
    {0.0, 2.0, Signal::Tone, -40.0, 440.0},
    {2.0, 4.0, Signal::Tone, -20.0, 440.0},
    {4.0, 6.0, Signal::Tone, -12.0, 440.0},
    {6.0, 8.0, Signal::Tone, -6.0, 440.0},
    {8.0, 10.0, Signal::Tone, -1.0, 1000.0},
    {10.0, 14.0, Signal::InvertedTone, -6.0, 440.0},
    {14.0, 18.0, Signal::LeftOnly, -6.0, 440.0},
    {18.0, 20.0, Signal::Silence, 0.0, 0.0},
    {20.0, 30.0, Signal::Sweep, -6.0, 20.0},
};
// clang-format on
constexpr int kSectionCount = int(sizeof kSections / sizeof kSections[0]);
constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kProgramFrames = int64_t(kProgramSeconds * kSampleRate);

// The soak program's gain of each repetition, in dB, in turn: +6 and +9
// clip the loudest bursts, -30 leaves the quietest near the floor.
const double kSoakGainsDb[] = {0.0, 6.0, -12.0, 3.0, -30.0, 9.0, -6.0, -18.0};
constexpr int kSoakGainCount = int(sizeof kSoakGainsDb / sizeof kSoakGainsDb[0]);

int16_t Quantise(double x) {
    double v = std::lround(x * 32767.0);
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    return int16_t(v);
}

// Phase of a logarithmic sweep from f0 to f1 over `length` seconds, at time t.
double SweepPhase(double f0, double f1, double length, double t) {
    double k = std::log(f1 / f0) / length;
    return 2.0 * kPi * f0 * (std::exp(k * t) - 1.0) / k;
}

} // namespace

const Section* Sections(int* count) {
    *count = kSectionCount;
    return kSections;
}

void Frame(int64_t frame, int16_t* left, int16_t* right) {
    frame %= kProgramFrames;
    double t = double(frame) / kSampleRate;
    const Section* s = &kSections[kSectionCount - 1];
    for (const Section& candidate : kSections)
        if (t >= candidate.start && t < candidate.end) s = &candidate;

    double amplitude = std::pow(10.0, s->levelDb / 20.0);
    double local = t - s->start;
    double phase = s->signal == Signal::Sweep
                       ? SweepPhase(s->hz, kSweepEndHz, s->end - s->start, local)
                       : 2.0 * kPi * s->hz * local;
    double x = amplitude * std::sin(phase);
    switch (s->signal) {
    case Signal::Tone:
    case Signal::Sweep: *left = *right = Quantise(x); break;
    case Signal::InvertedTone:
        *left = Quantise(x);
        *right = Quantise(-x);
        break;
    case Signal::LeftOnly:
        *left = Quantise(x);
        *right = 0;
        break;
    case Signal::Silence: *left = *right = 0; break;
    }
}

void SoakFrame(int64_t frame, int16_t* left, int16_t* right) {
    const double db = kSoakGainsDb[(frame / kProgramFrames) % kSoakGainCount];
    const double gain = std::pow(10.0, db / 20.0);
    Frame(frame, left, right);
    *left = Quantise(*left * gain / 32767.0);
    *right = Quantise(*right * gain / 32767.0);
}

bool WriteDemoWave(const std::string& path, double seconds, Program program) {
    if (!(seconds > 0 && seconds <= kMaxWaveSeconds)) return false;
    const uint32_t frames = uint32_t(seconds * kSampleRate);
    void (*frameOf)(int64_t, int16_t*, int16_t*) = program == Program::Soak ? SoakFrame : Frame;
    const uint32_t dataBytes = frames * 4;
    std::FILE* f = FileOpen(path.c_str(), "wb");
    if (!f) return false;

    std::vector<uint8_t> header;
    auto u16 = [&](uint32_t v) { AppendLe(header, v, 2); };
    auto u32 = [&](uint32_t v) { AppendLe(header, v, 4); };
    auto tag = [&](const char* t) { header.insert(header.end(), t, t + 4); };
    // clang-format off
    tag("RIFF"); u32(36 + dataBytes); tag("WAVE");
    tag("fmt "); u32(16); u16(1); u16(kChannels); u32(kSampleRate);
    u32(kSampleRate * 4); u16(4); u16(16);
    tag("data"); u32(dataBytes);
    // clang-format on
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();

    std::vector<uint8_t> block;
    block.reserve(4 * 4096);
    for (uint32_t i = 0; ok && i < frames; i += 4096) {
        block.clear();
        for (uint32_t j = i; j < frames && j < i + 4096; ++j) {
            int16_t l, r;
            frameOf(j, &l, &r);
            for (int16_t s : {l, r}) {
                block.push_back(uint8_t(uint16_t(s)));
                block.push_back(uint8_t(uint16_t(s) >> 8));
            }
        }
        ok = std::fwrite(block.data(), 1, block.size(), f) == block.size();
    }
    return std::fclose(f) == 0 && ok;
}

} // namespace demo
