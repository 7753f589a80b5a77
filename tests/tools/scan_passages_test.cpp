#include "tools/scan_passages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Stereo PCM built section by section.
struct Pcm {
    std::vector<int16_t> samples;
    // A sine on the left; the right is it times rightGain (-1 inverted, 0 silent).
    Pcm& Tone(double seconds, double dbfs, double rightGain = 1.0, double hz = 440.0) {
        const double a = 32768.0 * std::pow(10.0, dbfs / 20.0);
        const uint32_t n = uint32_t(seconds * 44100);
        for (uint32_t i = 0; i < n; ++i) {
            const double v =
                std::fmax(-32768, std::fmin(32767, a * std::sin(2 * kPi * hz * i / 44100)));
            samples.push_back(int16_t(std::lround(v)));
            samples.push_back(
                int16_t(std::lround(std::fmax(-32768, std::fmin(32767, v * rightGain)))));
        }
        return *this;
    }
    Pcm& Silence(double seconds) { return Tone(seconds, -300); }
    // count samples of value on the channels in mask (1 left, 2 right), 1000
    // beside them (mask 0: count frames of 1000, no clipping).
    Pcm& Run(int count, int16_t value, int mask) {
        for (int i = 0; i < count; ++i) {
            samples.push_back(mask & 1 ? value : 1000);
            samples.push_back(mask & 2 ? value : 1000);
        }
        return *this;
    }
};

struct Expected {
    double seconds; // start, within 0.05 s (half a slot at 10 frames per second)
    const char* name;
};

// The passages found in pcm read in buffers of `buffer` frames, as 16-bit
// samples or (asFloat) as their float amplitudes.
std::vector<std::pair<double, std::string>> Find(const Pcm& pcm, const PassageRules& rules,
                                                 uint32_t buffer, bool asFloat = false) {
    PassageFinder f{};
    std::vector<std::pair<double, std::string>> found;
    if (!PassageFinderInit(&f, 16)) return found;
    PassageFinderStart(&f, rules, 44100, 32767.0f / 32768.0f);
    std::vector<float> amplitudes(pcm.samples.begin(), pcm.samples.end());
    for (float& a : amplitudes)
        a /= 32768.0f;
    const uint32_t frames = uint32_t(pcm.samples.size() / 2);
    for (uint32_t done = 0; done < frames; done += buffer) {
        const uint32_t n = frames - done < buffer ? frames - done : buffer;
        if (asFloat)
            PassageFinderAddFloat(&f, amplitudes.data() + 2 * size_t(done), n);
        else
            PassageFinderAdd(&f, pcm.samples.data() + 2 * size_t(done), n);
    }
    for (uint32_t k = 0; k < f.count; ++k) {
        char name[120];
        PassageName(f.found[k], 44100, name, sizeof name);
        found.push_back({double(f.found[k].start) / 44100, name});
    }
    PassageFinderFree(&f);
    return found;
}

TEST(PassageFinder, FindsWhatTheRulesDescribe) {
    PassageRules all;
    all.kinds = kPassageClip | kPassagePhase | kPassageSilence;
    struct Case {
        const char* what;
        Pcm pcm;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"two full-scale samples are no clipping",
         Pcm().Tone(0.5, -20).Run(2, 32767, 1).Tone(0.5, -20),
         {}},
        {"three are",
         Pcm().Tone(0.5, -20).Run(3, -32768, 2).Tone(0.5, -20),
         {{0.5, "clip R 3 samples"}}},
        {"runs on both channels within a second make one cue",
         Pcm().Tone(0.5, -20).Run(12, 32767, 1).Tone(0.5, -20).Run(5, -32768, 3).Tone(0.5, -20),
         {{0.5, "clip LR 12 samples"}}},
        {"runs two seconds apart make two",
         Pcm().Tone(0.5, -20).Run(4, 32767, 1).Tone(2, -20).Run(4, 32767, 1).Tone(0.1, -20),
         {{0.5, "clip L 4 samples"}, {2.5, "clip L 4 samples"}}},
        {"runs a second apart make two",
         Pcm().Tone(0.5, -20).Run(4, 32767, 1).Run(44100, 0, 0).Run(4, 32767, 1),
         {{0.5, "clip L 4 samples"}, {1.5, "clip L 4 samples"}}},
        {"a frame less apart make one",
         Pcm().Tone(0.5, -20).Run(4, 32767, 1).Run(44099, 0, 0).Run(4, 32767, 1),
         {{0.5, "clip L 4 samples"}}},
        {"a clipped tone: one cue, its longest run",
         Pcm().Tone(1, -6).Tone(0.5, 6, 0.25).Tone(1, -6),
         {{1.0, "clip L 34 samples"}}},
        {"1.9 s of silence is too short", Pcm().Tone(1, -20).Silence(1.9).Tone(1, -20), {}},
        {"2.5 s of silence",
         Pcm().Tone(1, -20).Silence(2.5).Tone(1, -20),
         {{1.0, "silence 2.5 s"}}},
        {"a tone at -61 dBFS is silence",
         Pcm().Tone(1, -20).Tone(3, -61).Tone(1, -20),
         {{1.0, "silence 3.0 s"}}},
        {"at -59 dBFS it is not", Pcm().Tone(1, -20).Tone(3, -59).Tone(1, -20), {}},
        {"0.9 s inverted is too short", Pcm().Tone(1, -6).Tone(0.9, -6, -1).Tone(1, -6), {}},
        {"1.5 s inverted",
         Pcm().Tone(1, -6).Tone(1.5, -6, -1).Tone(1, -6),
         {{1.0, "phase -1.00 for 1.5 s"}}},
        {"a silent right channel is no phase trouble", Pcm().Tone(3, -6, 0.0), {}},
        {"in time order",
         Pcm().Silence(2.2).Tone(1.2, -6, -1).Run(3, 32767, 2).Tone(0.5, -6),
         {{0.0, "silence 2.2 s"}, {2.2, "phase -1.00 for 1.2 s"}, {3.4, "clip R 3 samples"}}},
    };
    for (const Case& c : cases)
        for (uint32_t buffer : {4408u, 1u, 1000u, 0u}) { // 0: 1001 frames of float samples
            SCOPED_TRACE(std::string(c.what) + ", buffers of " + std::to_string(buffer));
            const auto found = buffer ? Find(c.pcm, all, buffer) : Find(c.pcm, all, 1001, true);
            ASSERT_EQ(found.size(), c.expected.size());
            for (size_t k = 0; k < found.size(); ++k) {
                EXPECT_NEAR(found[k].first, c.expected[k].seconds, 0.05);
                EXPECT_EQ(found[k].second, c.expected[k].name);
            }
        }
}

// Only the kinds asked for, with their limits; beyond the room for them the
// passages are counted, not kept.
TEST(PassageFinder, KindsLimitsAndRoom) {
    const Pcm pcm = Pcm().Silence(3).Tone(2, -6, -0.5).Run(5, 32767, 1).Tone(0.1, -20);
    PassageRules rules;
    rules.kinds = kPassageClip;
    rules.clipRun = 6;
    EXPECT_TRUE(Find(pcm, rules, 4408).empty());
    rules.clipRun = 5;
    EXPECT_EQ(Find(pcm, rules, 4408).size(), 1u);
    rules.kinds = kPassagePhase;
    EXPECT_EQ(Find(pcm, rules, 4408).size(), 1u); // -0.5 x left still correlates -1
    rules.phaseSeconds = 2.5;
    EXPECT_TRUE(Find(pcm, rules, 4408).empty());
    rules.kinds = kPassageSilence;
    rules.silenceSeconds = 3.5;
    EXPECT_TRUE(Find(pcm, rules, 4408).empty());

    Pcm many;
    for (int k = 0; k < 20; ++k)
        many.Tone(1.5, -20).Run(3, 32767, 1);
    PassageFinder f{};
    ASSERT_EQ(PassageFinderInit(&f, 16), 1);
    rules.kinds = kPassageClip;
    rules.clipRun = 3;
    PassageFinderStart(&f, rules, 44100, 32767.0f / 32768.0f);
    PassageFinderAdd(&f, many.samples.data(), uint32_t(many.samples.size() / 2));
    EXPECT_EQ(f.count, 16u);
    EXPECT_EQ(f.total, 20u);
    PassageFinderFree(&f);
}

// Other rates and formats: durations follow the rate, and a float sample
// at or beyond full scale is clipping where a 24-bit one stops short of it.
TEST(PassageFinder, RatesAndFullScales) {
    PassageRules all;
    all.kinds = kPassageClip | kPassagePhase | kPassageSilence;
    const struct {
        const char* what;
        double rate;
        float clipLevel;
        std::vector<float> left; // the right channel is the same
        const char* name;        // the one passage found, or nullptr
    } cases[] = {
        {"2.5 s of silence at 48 kHz", 48000, 1.0f, std::vector<float>(120000, 0.0f),
         "silence 2.5 s"},
        {"float beyond full scale",
         96000,
         1.0f,
         {0.5f, 1.5f, -2.0f, 1.0f, 0.5f},
         "clip LR 3 samples"},
        {"just below it", 96000, 1.0f, {0.5f, 0.99999994f, -0.9999999f, 0.999f}, nullptr},
        {"the 24-bit largest sample",
         48000,
         8388607.0f / 8388608.0f,
         {8388607.0f / 8388608.0f, 8388607.0f / 8388608.0f, -1.0f},
         "clip LR 3 samples"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<float> frames;
        for (float v : c.left)
            frames.insert(frames.end(), {v, v});
        PassageFinder f{};
        ASSERT_EQ(PassageFinderInit(&f, 4), 1);
        PassageFinderStart(&f, all, c.rate, c.clipLevel);
        PassageFinderAddFloat(&f, frames.data(), uint32_t(c.left.size()));
        ASSERT_EQ(f.count, c.name ? 1u : 0u);
        if (c.name) {
            char name[120];
            PassageName(f.found[0], c.rate, name, sizeof name);
            EXPECT_STREQ(name, c.name);
        }
        PassageFinderFree(&f);
    }
}

} // namespace
