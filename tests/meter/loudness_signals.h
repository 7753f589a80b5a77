// Test signals for the loudness meter: sections of 16-bit stereo sines at
// given levels, and the meter run over them in streaming-sized buffers.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "meter/loudness.h"

namespace loudnesstest {

constexpr double kPi = 3.14159265358979323846;

struct Section {
    double seconds;
    double dbfs; // peak level of the sine; below -150: digital silence
    double hz = 1000.0;
    double phase = 0.0; // radians at the section's first sample
};

// The same sine on both channels, section after section.
inline std::vector<int16_t> Sines(const std::vector<Section>& sections) {
    std::vector<int16_t> pcm;
    for (const Section& s : sections) {
        const double amplitude = s.dbfs < -150 ? 0.0 : 32768.0 * std::pow(10.0, s.dbfs / 20.0);
        const uint32_t frames = uint32_t(std::lround(s.seconds * 44100.0));
        for (uint32_t i = 0; i < frames; ++i) {
            const double v = amplitude * std::sin(2.0 * kPi * s.hz * i / 44100.0 + s.phase);
            const int16_t q = int16_t(std::lround(std::fmax(-32768.0, std::fmin(32767.0, v))));
            pcm.push_back(q);
            pcm.push_back(q);
        }
    }
    return pcm;
}

// A signal of the EBU loudness test sets that fits 44100 Hz 16-bit stereo,
// and what it must read: a 1 kHz sine at L dBFS in both channels is L LUFS.
// NAN: not a known value.
struct KnownSignal {
    const char* what;
    std::vector<Section> sections;
    double lufs;  // integrated and maximum momentary loudness
    double range; // loudness range, LU
    double truePeak;
};

inline std::vector<KnownSignal> KnownSignals() {
    return {
        {"sine -23", {{20, -23}}, -23.0, 0.0, -23.0},
        {"sine -33", {{20, -33}}, -33.0, 0.0, -33.0},
        {"-36 / -23 / -36: the relative gate", {{10, -36}, {60, -23}, {10, -36}}, -23.0, NAN, -23},
        {"-72 / -36 / -23 / -36 / -72: both gates",
         {{10, -72}, {10, -36}, {20, -23}, {10, -36}, {10, -72}},
         -23.0,
         NAN,
         -23.0},
        {"range 10 LU", {{20, -20}, {20, -30}}, NAN, 10.0, -20.0},
        {"range 5 LU", {{20, -20}, {20, -15}}, NAN, 5.0, -15.0},
        {"range 20 LU", {{20, -40}, {20, -20}}, NAN, 20.0, -20.0},
        {"range 15 LU", {{20, -50}, {20, -35}, {20, -20}, {20, -35}, {20, -50}}, NAN, 15.0, -20},
        // A quarter of the rate at 45 degrees: every sample at 1/sqrt(2) of the crest.
        {"inter-sample peak", {{5, -6.0, 11025.0, kPi / 4}}, NAN, NAN, -6.0},
    };
}

constexpr uint32_t kBufferFrames = 4408; // the streaming buffer at 0.1 s

// Starts m on pcm and adds it in buffers of `buffer` frames (m made for them).
inline bool Feed(LoudnessMeter* m, const std::vector<int16_t>& pcm, uint32_t buffer) {
    const uint32_t frames = uint32_t(pcm.size() / 2);
    if (!LoudnessStart(m, frames)) return false;
    for (uint32_t done = 0; done < frames; done += buffer)
        LoudnessAdd(m, pcm.data() + 2 * size_t(done),
                    frames - done < buffer ? frames - done : buffer);
    return true;
}

// Runs the meter over pcm in buffers of kBufferFrames.
inline LoudnessResult Measure(const std::vector<int16_t>& pcm) {
    LoudnessMeter m{};
    LoudnessResult r{};
    if (!LoudnessInit(&m, kBufferFrames) || !Feed(&m, pcm, kBufferFrames)) return r;
    LoudnessFinish(&m, &r);
    LoudnessFree(&m);
    return r;
}

} // namespace loudnesstest
