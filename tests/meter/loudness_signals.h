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

// Signals made with integer and plain double arithmetic only (no library
// sine), so that every build makes the same samples: the meter's bits can be
// compared with values recorded once.
struct PinnedTone {
    double seconds;
    double amplitude; // peak, in 16-bit steps
    double twoCos;    // 2 cos(w) of the tone's angle per frame
    double sine;      // sin(w)
};

// Tones by the recursion s[n] = 2 cos(w) s[n - 1] - s[n - 2]; the right
// channel three quarters of the left.
inline std::vector<int16_t> PinnedTones(const std::vector<PinnedTone>& tones) {
    std::vector<int16_t> pcm;
    for (const PinnedTone& t : tones) {
        double older = -t.amplitude * t.sine, old = 0.0;
        const uint32_t frames = uint32_t(t.seconds * 44100.0);
        for (uint32_t i = 0; i < frames; ++i) {
            const int16_t q = int16_t(std::floor(old + 0.5));
            pcm.push_back(q);
            pcm.push_back(int16_t(q * 3 / 4));
            const double next = t.twoCos * old - older;
            older = old;
            old = next;
        }
    }
    return pcm;
}

// Noise from a linear congruential generator under a level that changes
// every half second, 1/8 .. 8/8 of full scale, divided by `quiet`.
inline std::vector<int16_t> PinnedNoise(double seconds, uint32_t seed, int quiet) {
    std::vector<int16_t> pcm(2 * size_t(seconds * 44100.0));
    uint32_t state = seed;
    for (size_t i = 0; i < pcm.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const int level = int((i / 2 / 22050 * 5 + 3) % 8 + 1);
        pcm[i] = int16_t(int(int16_t(state >> 16)) * level / 8 / quiet);
    }
    return pcm;
}

struct PinnedSignal {
    const char* what;
    std::vector<int16_t> pcm;
};

inline std::vector<PinnedSignal> PinnedSignals() {
    const PinnedTone k997 = {0, 0, 1.979856149286117, 0.1415712083493216};
    const PinnedTone k3150 = {0, 0, 1.8019377358048383, 0.4338837391175581};
    const PinnedTone k80 = {0, 0, 1.9998700854390512, 0.011397821787538034};
    const auto tone = [](PinnedTone t, double seconds, double amplitude) {
        t.seconds = seconds;
        t.amplitude = amplitude;
        return t;
    };
    std::vector<int16_t> isp;
    for (int i = 0; i < 2 * 44100 + 1234; ++i) {
        const int16_t v = (i / 2) % 2 ? -23170 : 23170;
        isp.push_back(v);
        isp.push_back(int16_t(v / 2));
    }
    return {
        {"tones at three levels", PinnedTones({tone(k997, 3.0, 3000), tone(k3150, 5.0, 20000),
                                               tone(k80, 4.3, 700), tone(k997, 2.0, 9)})},
        {"noise under changing levels", PinnedNoise(9.7, 1, 1)},
        {"quiet noise, partly under the gate", PinnedNoise(6.2, 5, 3000)},
        {"a quarter of the rate at 45 degrees", isp},
        {"1.7 s of tone", PinnedTones({tone(k3150, 1.7, 12000)})},
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
