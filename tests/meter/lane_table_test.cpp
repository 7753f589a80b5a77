#include "meter/lane_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "meter/loudness.h"
#include "tests/meter/loudness_signals.h"

namespace {

// Puts a table in force for one scope, then returns to the CPU's choice.
struct TableInForce {
    explicit TableInForce(const LaneTable* table) { LanesSetTable(table); }
    ~TableInForce() { LanesSetTable(nullptr); }
};

// Everything the loops leave behind: the filters' state, the step sums and
// means, the true peaks, and the results.
struct Measured {
    double history[12][2];
    double stepSquares[4];
    std::vector<double> steps;
    float peak[2];
    LoudnessResult result;
};

// The 16-bit stereo loops, or with asFloat the float ones on the same values.
Measured MeasureWith(const LaneTable* table, const std::vector<int16_t>& pcm, uint32_t buffer,
                     bool asFloat) {
    TableInForce force(table);
    Measured out{};
    LoudnessMeter m{};
    EXPECT_EQ(LoudnessInit(&m, buffer), 1);
    if (asFloat) {
        std::vector<float> x(pcm.size());
        for (size_t i = 0; i < pcm.size(); ++i)
            x[i] = float(pcm[i]) / 32768.0f;
        const uint32_t frames = uint32_t(pcm.size() / 2);
        EXPECT_EQ(LoudnessStart(&m, frames, LoudnessFormatOf(48000, 2, 0)), 1);
        for (uint32_t done = 0; done < frames; done += buffer)
            LoudnessAddFloat(&m, x.data() + 2 * size_t(done), std::min(buffer, frames - done));
    } else {
        EXPECT_TRUE(loudnesstest::Feed(&m, pcm, buffer));
    }
    std::memcpy(out.history, m.pairs[0].history, sizeof out.history);
    std::memcpy(out.stepSquares, m.pairs[0].stepSquares, sizeof out.stepSquares);
    out.steps.assign(m.steps, m.steps + m.stepCount);
    std::memcpy(out.peak, m.truePeak.peak, sizeof out.peak);
    LoudnessFinish(&m, &out.result);
    LoudnessFree(&m);
    return out;
}

std::vector<int16_t> Noise(double seconds, int seed) {
    std::mt19937 rng(seed);
    std::vector<int16_t> pcm(2 * size_t(seconds * 44100));
    for (int16_t& s : pcm)
        s = int16_t(rng());
    return pcm;
}

// Full scale, left and right in opposite phase, a period of 101 frames.
std::vector<int16_t> Square(double seconds) {
    std::vector<int16_t> pcm(2 * size_t(seconds * 44100));
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        pcm[2 * i] = (i / 50) % 2 ? 32767 : -32768;
        pcm[2 * i + 1] = int16_t(-1 - pcm[2 * i]);
    }
    return pcm;
}

// The four- and eight-lane loops, each put in force through the table, give
// the same bits for every signal, 16-bit or float, and every way of cutting
// it into buffers (the buffer sizes leave every remainder of lanes at a
// buffer's end).
TEST(LaneTable, BothWidthsGiveTheSameBits) {
    const LaneTable* sse = LaneTableOf(4);
    const LaneTable* avx2 = LaneTableOf(8);
    ASSERT_NE(sse, nullptr);
    if (!avx2) GTEST_SKIP() << "no eight-lane loops in this build or on this CPU";
    using loudnesstest::Sines;
    const double pi = loudnesstest::kPi;
    const struct {
        const char* what;
        std::vector<int16_t> pcm;
    } signals[] = {
        {"sines near full scale, 19 kHz", Sines({{1.2, -0.1, 997.0}, {0.8, -1.0, 19000.0, 1.0}})},
        {"inter-sample peak", Sines({{1.0, -6.0, 11025.0, pi / 4}})},
        {"a burst, then a stretch quiet enough to skip", Sines({{0.3, -1.0}, {1.0, -30.0, 440.0}})},
        {"noise", Noise(1.5, 7)},
        {"full-scale square", Square(1.0)},
        {"digital silence", Sines({{0.6, -200}})},
    };
    for (const auto& s : signals) {
        for (uint32_t buffer : {1u, 3u, 5u, 8u, 9u, 4408u, 4413u})
            for (bool asFloat : {false, true}) {
                SCOPED_TRACE(testing::Message() << s.what << ", buffers of " << buffer
                                                << (asFloat ? ", float at 48000 Hz" : ""));
                const Measured four = MeasureWith(sse, s.pcm, buffer, asFloat);
                const Measured eight = MeasureWith(avx2, s.pcm, buffer, asFloat);
                EXPECT_EQ(std::memcmp(four.history, eight.history, sizeof four.history), 0);
                EXPECT_EQ(std::memcmp(four.stepSquares, eight.stepSquares, sizeof four.stepSquares),
                          0);
                ASSERT_EQ(four.steps.size(), eight.steps.size());
                EXPECT_EQ(std::memcmp(four.steps.data(), eight.steps.data(),
                                      four.steps.size() * sizeof(double)),
                          0);
                EXPECT_EQ(std::memcmp(four.peak, eight.peak, sizeof four.peak), 0);
                EXPECT_EQ(std::memcmp(&four.result, &eight.result, sizeof four.result), 0);
            }
    }
}

// The loops for pairs of channels in wider frames give the same bits at
// both widths too: every pair's state and the results, 16-bit and float.
TEST(LaneTable, BothWidthsGiveTheSameBitsOnChannelPairs) {
    const LaneTable* avx2 = LaneTableOf(8);
    if (!avx2) GTEST_SKIP() << "no eight-lane loops in this build or on this CPU";
    const uint32_t rate = 48000, frames = 48000 + 37;
    for (uint32_t channels : {3u, 6u, 8u}) {
        std::vector<int16_t> pcm(size_t(frames) * channels);
        std::mt19937 rng(channels);
        for (int16_t& v : pcm)
            v = int16_t(rng());
        std::vector<float> x(pcm.size());
        for (size_t i = 0; i < pcm.size(); ++i)
            x[i] = float(pcm[i]) / 32768.0f;
        for (uint32_t buffer : {1u, 5u, 4413u})
            for (bool asFloat : {false, true}) {
                SCOPED_TRACE(testing::Message() << channels << " channels, buffers of " << buffer
                                                << (asFloat ? ", float" : ", 16-bit"));
                LoudnessMeter m[2] = {};
                LoudnessResult r[2] = {};
                for (int w = 0; w < 2; ++w) {
                    TableInForce force(LaneTableOf(w == 0 ? 4 : 8));
                    ASSERT_EQ(LoudnessInit(&m[w], buffer), 1);
                    ASSERT_EQ(LoudnessStart(&m[w], frames, LoudnessFormatOf(rate, channels, 0)), 1);
                    for (uint32_t done = 0; done < frames; done += buffer) {
                        const uint32_t n = std::min(buffer, frames - done);
                        if (asFloat)
                            LoudnessAddFloat(&m[w], x.data() + size_t(done) * channels, n);
                        else
                            LoudnessAdd(&m[w], pcm.data() + size_t(done) * channels, n);
                    }
                    LoudnessFinish(&m[w], &r[w]);
                }
                EXPECT_EQ(std::memcmp(m[0].pairs, m[1].pairs, sizeof m[0].pairs), 0);
                EXPECT_EQ(std::memcmp(&r[0], &r[1], sizeof r[0]), 0);
                LoudnessFree(&m[0]);
                LoudnessFree(&m[1]);
            }
    }
}

// Threads that meet the table's first use together all get the widest
// table the CPU runs.
TEST(LaneTable, FirstUseChoosesTheWidestForEveryThread) {
    LanesSetTable(nullptr);
    const LaneTable* widest = LaneTableOf(8) ? LaneTableOf(8) : LaneTableOf(4);
    const LaneTable* seen[4] = {};
    std::vector<std::thread> threads;
    for (const LaneTable*& t : seen)
        threads.emplace_back([&t] { t = Lanes(); });
    for (std::thread& t : threads)
        t.join();
    for (const LaneTable* t : seen)
        EXPECT_EQ(t, widest);
    EXPECT_EQ(LaneTableOf(4)->lanes, 4u);
    EXPECT_EQ(LaneTableOf(16), nullptr);
}

} // namespace
