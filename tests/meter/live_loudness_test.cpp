#include "meter/live_loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A tone of amplitude a (a full-scale fraction) on both channels, the right
// one inverted when antiPhase.
std::vector<int16_t> Tone(uint32_t frames, double a, bool antiPhase = false) {
    std::vector<int16_t> s(size_t(frames) * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = a * 32767.0 * std::sin(2 * 3.14159265358979323846 * 997.0 * i / 44100.0);
        s[2 * i] = int16_t(std::lround(v));
        s[2 * i + 1] = int16_t(std::lround(antiPhase ? -v : v));
    }
    return s;
}

struct Live {
    LiveLoudness live{};
    Live() { EXPECT_EQ(LiveLoudnessInit(&live), 1); }
    ~Live() { LiveLoudnessFree(&live); }
    void Add(const std::vector<int16_t>& s, uint32_t bufferFrames) {
        const uint32_t frames = uint32_t(s.size() / 2);
        for (uint32_t at = 0; at < frames; at += bufferFrames) {
            const uint32_t n = frames - at < bufferFrames ? frames - at : bufferFrames;
            LiveLoudnessAdd(&live, &s[size_t(at) * 2], n);
        }
    }
    LoudnessReading Read() {
        LoudnessReading r{};
        EXPECT_EQ(LiveLoudnessRead(&live, &r), 1);
        return r;
    }
};

// What the scan reports for the same frames: one meter fed all of them.
LoudnessResult Scanned(const std::vector<int16_t>& s) {
    LoudnessMeter m{};
    EXPECT_EQ(LoudnessInit(&m, 8820), 1);
    EXPECT_EQ(LoudnessStart(&m, s.size() / 2), 1);
    for (size_t at = 0; at < s.size() / 2; at += 8820) {
        const size_t n = s.size() / 2 - at < 8820 ? s.size() / 2 - at : 8820;
        LoudnessAdd(&m, &s[at * 2], uint32_t(n));
    }
    LoudnessResult r{};
    LoudnessFinish(&m, &r);
    LoudnessFree(&m);
    return r;
}

std::vector<int16_t> Steps() {
    std::vector<int16_t> all;
    for (double a : {0.5, 0.1, 0.01, 0.5}) {
        const auto t = Tone(44100 * 2, a, a == 0.5 && !all.empty());
        all.insert(all.end(), t.begin(), t.end());
    }
    return all;
}

// Whatever the buffer size the streams use, the reading is the scan's to
// the bit once the last buffer has been flushed.
TEST(LiveLoudness, EveryBufferSizeReadsAsTheScan) {
    const auto signal = Steps();
    const LoudnessResult scan = Scanned(signal);
    for (uint32_t buffer : {880u, 1320u, 2204u, 4408u, 8820u, 12345u}) {
        Live l;
        l.Add(signal, buffer);
        LiveLoudnessAdd(&l.live, nullptr, 0); // the file's end
        const LoudnessReading r = l.Read();
        EXPECT_EQ(r.integrated, scan.integrated) << buffer;
        EXPECT_EQ(r.range, scan.range) << buffer;
        EXPECT_EQ(r.truePeakDb[0], scan.truePeakDb[0]) << buffer;
        EXPECT_EQ(r.truePeakDb[1], scan.truePeakDb[1]) << buffer;
        EXPECT_EQ(r.frames, signal.size() / 2) << buffer;
    }
}

TEST(LiveLoudness, PublishesAtTheFrameRateAndFlushesAtTheEnd) {
    Live l;
    const auto t = Tone(44100, 0.5);
    struct Case {
        uint32_t frames;    // added now
        uint64_t published; // frames the reading then counts
    };
    const Case kCases[] = {
        {1000, 0}, // below one publication's worth
        {kLiveLoudnessPublishFrames, 1000 + kLiveLoudnessPublishFrames},
        {10, 1000 + kLiveLoudnessPublishFrames},
        {0, 1010 + kLiveLoudnessPublishFrames}, // the end shows the rest
        {0, 1010 + kLiveLoudnessPublishFrames},
    };
    uint32_t at = 0;
    for (const Case& c : kCases) {
        LiveLoudnessAdd(&l.live, &t[size_t(at) * 2], c.frames);
        at += c.frames;
        EXPECT_EQ(l.Read().frames, c.published) << at;
    }
}

// On a long run the gated values (integrated, range, true peak) follow a
// second behind at most, and the end of the stream brings them up to date.
TEST(LiveLoudness, TheGatedValuesFollowWithinASecondAndTheEndBringsThemUpToDate) {
    Live l;
    l.Add(Tone(44100 * 100, 0.1), 4408);
    const auto burst = Tone(4408 * 2, 0.5); // ends before the gating is due again
    l.Add(burst, 4408);
    const LoudnessReading during = l.Read();
    EXPECT_LT(during.truePeakDb[0], -19.0); // not gated again yet
    EXPECT_GT(during.momentary, -15.0);     // the momentary loudness is
    l.Add(Tone(44100, 0.5), 4408);
    EXPECT_GT(l.Read().truePeakDb[0], -6.5); // within the second
    l.Add(burst, 4408);
    LiveLoudnessAdd(&l.live, nullptr, 0);
    std::vector<int16_t> all = Tone(44100 * 100, 0.1);
    for (const auto& part : {burst, Tone(44100, 0.5), burst})
        all.insert(all.end(), part.begin(), part.end());
    const LoudnessResult scan = Scanned(all);
    const LoudnessReading end = l.Read();
    EXPECT_EQ(end.integrated, scan.integrated);
    EXPECT_EQ(end.range, scan.range);
}

TEST(LiveLoudness, AResetRequestTakesEffectAtTheNextBuffer) {
    Live l;
    l.Add(Tone(44100 * 4, 0.5), 4408);
    const LoudnessReading loud = l.Read();
    ASSERT_TRUE(std::isfinite(loud.integrated));
    LiveLoudnessRequestReset(&l.live);
    EXPECT_EQ(l.Read().frames, loud.frames); // nothing happens before it
    const auto quiet = Tone(44100 * 4, 0.01);
    l.Add(quiet, 4408);
    LiveLoudnessAdd(&l.live, nullptr, 0);
    const LoudnessReading r = l.Read();
    EXPECT_EQ(r.frames, quiet.size() / 2);
    EXPECT_EQ(r.integrated, Scanned(quiet).integrated);
    EXPECT_LT(r.truePeakDb[0], -30.0); // the loud peak is forgotten
}

TEST(LiveLoudness, RestartShowsNothingYet) {
    Live l;
    l.Add(Tone(44100 * 4, 0.5), 4408);
    LiveLoudnessRestart(&l.live);
    const LoudnessReading r = l.Read();
    EXPECT_EQ(r.frames, 0u);
    for (double v : {r.momentary, r.shortTerm, r.integrated, r.range, r.truePeakDb[0]})
        EXPECT_TRUE(std::isinf(v) && v < 0) << v;
}

} // namespace
