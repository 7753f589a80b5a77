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
