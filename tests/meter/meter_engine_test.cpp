#include "meter/meter_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "tests/meter/engine_test_support.h"

using metertest::Bytes;
using metertest::Constant;
using metertest::Stereo;
using metertest::WaitFor;
using metertest::Watchdog;

namespace {

constexpr double kPi = 3.14159265358979323846;

// What the drawing hook saw, frame by frame; it may sleep to play a slow display.
struct Recorder {
    std::mutex mutex;
    std::vector<DisplayFrame> frames;
    std::atomic<int> sleepMs{0};
};
Recorder* gRecorder = nullptr;

void RecordFrame(MeterEngine*, DisplayFrame* frame) {
    {
        std::lock_guard<std::mutex> guard(gRecorder->mutex);
        gRecorder->frames.push_back(*frame);
    }
    if (int ms = gRecorder->sleepMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const MeterDrawHooks kRecordingHooks = {RecordFrame, nullptr, nullptr, nullptr};

class MeterEngineTest : public testing::Test {
  protected:
    void SetUp() override {
        gRecorder = &recorder;
        engine = MeterEngineCreate();
        ASSERT_NE(nullptr, engine);
        ASSERT_EQ(1, MeterSetFormat(&engine, 44100.0f, 2));
        MeterSetDrawHooks(engine, &kRecordingHooks);
    }
    void TearDown() override {
        MeterEngineDestroy(&engine);
        EXPECT_EQ(nullptr, engine);
        gRecorder = nullptr;
    }
    void Configure(void (*change)(MeterConfig*)) {
        MeterConfig config;
        MeterGetConfig(engine, &config);
        change(&config);
        MeterSetConfig(engine, &config);
    }
    void Feed(const std::vector<int16_t>& pcm, int times = 1) {
        for (int i = 0; i < times; ++i) AnalyseBuffer(&engine, pcm.data(), Bytes(pcm));
    }
    // Waits until the display thread has finished every frame handed to it.
    void Settle() {
        ASSERT_TRUE(WaitFor([&] { return engine->framePending.load() == 0; }));
    }
    std::vector<DisplayFrame> Frames() {
        Settle();
        std::lock_guard<std::mutex> guard(recorder.mutex);
        return recorder.frames;
    }

    Watchdog watchdog{30};
    metertest::ScratchSettings settings;
    Recorder recorder;
    MeterEngine* engine = nullptr;
};

TEST_F(MeterEngineTest, CreatesWithTheSettingsDefaults) {
    MeterConfig c;
    MeterGetConfig(engine, &c);
    EXPECT_STREQ("VU-Meter", c.name);
    EXPECT_EQ(0.0f, c.params.delay);
    EXPECT_EQ(48.0f, c.params.attack);
    EXPECT_EQ(-60.0f, c.params.minDb);
    EXPECT_EQ(6.0f, c.params.peakFall);
    EXPECT_EQ(24.0f, c.params.averageFall);
    EXPECT_EQ(10, c.params.framesPerSecond);
    EXPECT_EQ(kMeterModeBars | kMeterModeCorrelator, c.params.modeWord);
    EXPECT_EQ(0, std::memcmp(&c.params, &c.params2, sizeof c.params));
    EXPECT_EQ(1u, MeterGetWindowContext(engine)->alwaysVisible);
    EXPECT_EQ(engine, MeterGetWindowContext(engine)->engine);
    uint32_t relax, notify;
    MeterGetFrameLossSwitches(engine, &relax, &notify);
    EXPECT_EQ(0u, relax);
    EXPECT_EQ(1u, notify);
    EXPECT_EQ(4410u, engine->samplesPerFrame);
    EXPECT_NEAR(std::pow(10.0f, -0.03f), engine->peakRelease, 1e-6);
    EXPECT_NEAR(std::pow(10.0f, -0.24f), engine->powerRelease, 1e-6);
}

TEST_F(MeterEngineTest, SamplesPerFrameFollowsTheFrameRate) {
    struct Case {
        int32_t fps;
        uint32_t samplesPerFrame;
    } cases[] = {{10, 4410}, {25, 1763}, {30, 1470}, {2, 22050},
                 {0, 4410},  {-3, 4410}, {100000, 1}};
    for (const Case& c : cases) {
        MeterConfig config;
        MeterGetConfig(engine, &config);
        config.params.framesPerSecond = c.fps;
        MeterSetConfig(engine, &config);
        Feed(Constant(1, 0, 0));
        EXPECT_EQ(c.samplesPerFrame, engine->samplesPerFrame) << c.fps;
        EXPECT_TRUE(std::isfinite(engine->phaseStep)) << c.fps;
        EXPECT_TRUE(std::isfinite(engine->peakRelease)) << c.fps;
    }
}

TEST_F(MeterEngineTest, FramesCoverWholeBuffers) {
    struct Case {
        uint32_t bufferFrames;
        int buffers;
        size_t frames;
        uint32_t firstN;
        uint32_t phaseAfter;
    } cases[] = {{4410, 3, 3, 4410, 0}, {1000, 5, 1, 5000, 590}, {10000, 1, 1, 10000, 1180},
                 {1000, 4, 0, 0, 4000}};
    for (const Case& c : cases) {
        MeterZero(&engine);
        recorder.frames.clear();
        Feed(Constant(c.bufferFrames, 100, 100), c.buffers);
        std::vector<DisplayFrame> frames = Frames();
        ASSERT_EQ(c.frames, frames.size()) << c.bufferFrames;
        if (!frames.empty()) {
            EXPECT_EQ(c.firstN, frames[0].N);
        }
        EXPECT_EQ(c.phaseAfter, engine->framePhase);
    }
}

TEST_F(MeterEngineTest, OddAndTinyBuffersAreIgnoredOrCut) {
    std::vector<int16_t> pcm = Constant(4410, 100, 100);
    AnalyseBuffer(&engine, pcm.data(), 2); // half a stereo frame
    EXPECT_EQ(0u, engine->framePhase);
    AnalyseBuffer(&engine, pcm.data(), 4 * 10 + 3); // odd: the last byte is ignored
    EXPECT_EQ(10u, engine->framePhase);
    MeterSetHold(engine, 1);
    Feed(pcm);
    EXPECT_EQ(10u, engine->framePhase);
    MeterSetHold(engine, 0);
    MeterEngine* none = nullptr;
    AnalyseBuffer(&none, pcm.data(), Bytes(pcm));
}

TEST_F(MeterEngineTest, SteadySineShowsItsLevels) {
    auto sine = [](uint32_t i) {
        return int16_t(std::lround(16384.0 * std::sin(2 * kPi * 440.0 * i / 44100.0)));
    };
    Feed(Stereo(4410, sine, sine), 5);
    std::vector<DisplayFrame> frames = Frames();
    ASSERT_EQ(5u, frames.size());
    for (const DisplayFrame& f : frames) {
        EXPECT_NEAR(0.5f, f.peakL, 1e-4);
        EXPECT_NEAR(2.0 / kPi * 0.5, f.averageL, 2e-4);
        EXPECT_NEAR(0.125, f.powerL, 1e-4);
        EXPECT_NEAR(0.125, f.frameSumSqL, 1e-4); // the frame's own mean square
        EXPECT_NEAR(1.0f, f.correlation, 1e-5);
    }
}

// Peak and average after one loud frame fall at their rates per second,
// then become exactly 0 once below the floor.
TEST_F(MeterEngineTest, ReleaseFallsAtTheConfiguredRates) {
    struct Case {
        float peakFall, averageFall;
        int32_t fps;
    } cases[] = {{6, 24, 10}, {3, 12, 25}, {96, 96, 30}};
    for (const Case& c : cases) {
        MeterConfig config;
        MeterGetConfig(engine, &config);
        config.params.peakFall = c.peakFall;
        config.params.averageFall = c.averageFall;
        config.params.framesPerSecond = c.fps;
        MeterSetConfig(engine, &config);
        MeterZero(&engine);
        recorder.frames.clear();
        Feed(Constant(1, 0, 0)); // derive for the new rate
        uint32_t spf = engine->samplesPerFrame;
        Feed(Constant(spf - 1, 0, 0));
        Feed(Constant(spf, -32768, -32768));
        Feed(Constant(spf, 0, 0), 4);
        std::vector<DisplayFrame> f = Frames();
        ASSERT_EQ(6u, f.size());
        for (int k = 1; k <= 4; ++k) {
            EXPECT_NEAR(-c.peakFall * k / c.fps, AmplitudeToDb(f[1 + k].peakL), 2e-3) << k;
            float avg = AmplitudeToDb(f[1 + k].averageL) - AmplitudeToDb(f[1].averageL);
            EXPECT_NEAR(-c.averageFall * k / c.fps, avg, 2e-3) << k;
            float pow = PowerToDb(f[1 + k].powerL) - PowerToDb(f[1].powerL);
            EXPECT_NEAR(-c.averageFall * k / c.fps, pow, 2e-3) << k;
        }
    }
    // Long silence: every value reaches exactly 0.
    Feed(Constant(44100, 0, 0), 100);
    std::vector<DisplayFrame> f = Frames();
    EXPECT_EQ(0.0f, f.back().averageL);
    EXPECT_EQ(0.0f, f.back().powerL);
    EXPECT_EQ(0.0f, engine->frame.peakL);
    EXPECT_EQ(-200.0f, AmplitudeToDb(engine->frame.peakL));
}

TEST_F(MeterEngineTest, AttackRisesByItsRatePerFrame) {
    Configure([](MeterConfig* c) {
        c->params.attackOn = 1;
        c->params.attack = 48.0f;
    });
    std::vector<int16_t> loud = Constant(4410, 16384, 16384);
    Feed(loud, 50);
    std::vector<DisplayFrame> f = Frames();
    ASSERT_EQ(50u, f.size());
    EXPECT_EQ(0.5f, f[0].peakL); // peaks jump at once
    int rising = 0;
    for (size_t k = 1; k < f.size(); ++k) {
        if (f[k].averageL >= 0.5f) break;
        EXPECT_NEAR(4.8, AmplitudeToDb(f[k].averageL) - AmplitudeToDb(f[k - 1].averageL), 1e-3);
        ++rising;
    }
    for (size_t k = 1; k < f.size() && f[k].powerL < 0.25f; ++k)
        EXPECT_NEAR(4.8, PowerToDb(f[k].powerL) - PowerToDb(f[k - 1].powerL), 1e-3) << k;
    EXPECT_GT(rising, 30);
    EXPECT_EQ(0.5f, f.back().averageL); // never past the signal's mean
    EXPECT_EQ(0.25f, f.back().powerL);
}

TEST_F(MeterEngineTest, StepBallisticsChangeRestartsTheMeter) {
    Feed(Constant(4410, -32768, -32768));
    Feed(Constant(1000, 0, 0));
    Configure([](MeterConfig* c) { c->params.linearBallistics = 1; });
    Feed(Constant(4410, 0, 0));
    std::vector<DisplayFrame> f = Frames();
    ASSERT_EQ(2u, f.size());
    EXPECT_EQ(1.0f, f[0].peakL);
    EXPECT_EQ(0.0f, f[1].peakL);
    EXPECT_EQ(0.0f, f[1].framePeakL);
    EXPECT_EQ(0u, engine->framePhase); // restarted: 0 + 4410, not 1000 + 4410
    EXPECT_NEAR(2 * 6.0f / 960.0f, engine->peakRelease, 1e-7);
}

TEST_F(MeterEngineTest, CorrelationHoldsThenJumpsThenReturns) {
    auto sine = [](uint32_t i) { return int16_t(16384 * std::sin(i * 0.0627)); };
    auto inverted = [&](uint32_t i) { return int16_t(-sine(i)); };
    auto silent = [](uint32_t) { return int16_t(0); };
    Feed(Stereo(4410, sine, sine));
    Feed(Stereo(4410, sine, inverted));
    Feed(Stereo(4410, sine, sine));
    Feed(Stereo(4410, silent, silent), 3);
    std::vector<DisplayFrame> f = Frames();
    ASSERT_EQ(6u, f.size());
    EXPECT_NEAR(1.0f, f[0].correlation, 1e-5);
    EXPECT_NEAR(-1.0f, f[1].correlation, 1e-5);
    EXPECT_NEAR(1.0f, f[2].correlation, 1e-5);
    // 0.5 per second at 10 fps: 0.05 per frame toward 0.
    EXPECT_NEAR(0.95f, f[3].correlation, 1e-5);
    EXPECT_NEAR(0.90f, f[4].correlation, 1e-5);
}

TEST_F(MeterEngineTest, MonoHasNoCorrelation) {
    ASSERT_EQ(1, MeterSetFormat(&engine, 44100.0f, 1));
    std::vector<int16_t> mono(4410, 16384);
    AnalyseBuffer(&engine, mono.data(), 2 * 4410);
    std::vector<DisplayFrame> f = Frames();
    ASSERT_EQ(1u, f.size());
    EXPECT_EQ(0.5f, f[0].peakL);
    EXPECT_EQ(0.0f, f[0].correlation);
    EXPECT_EQ(0.0f, f[0].peakR);
}

TEST_F(MeterEngineTest, RecordsOneSlotPerFrame) {
    MeterSetRecording(engine, 1);
    Feed(Constant(4410, 1000, 1000), 100);
    Settle();
    HistoryStatus status = MeterGetHistoryStatus(engine);
    ASSERT_EQ(100, status.recordCount);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(4410 * (i + 1), engine->frame.history.history[i].samplePosition) << i;
    EXPECT_EQ(10, status.currentSeconds);
    MeterSetRecording(engine, 0);
    EXPECT_EQ(kHistoryFlagLastSlot, engine->frame.history.history[99].flags);
    Feed(Constant(4410, 1000, 1000), 3);
    Settle();
    EXPECT_EQ(100, MeterGetHistoryStatus(engine).recordCount);
    MeterResetHistory(engine);
    MeterSetRecording(engine, 1);
    Feed(Constant(4410, 1000, 1000));
    Settle();
    EXPECT_EQ(1, MeterGetHistoryStatus(engine).recordCount);
    EXPECT_EQ(4410, engine->frame.history.history[0].samplePosition);
}

// A display slower than the frame rate: without relax mode the audio path
// waits and nothing is lost; with it, frames are lost and counted.
TEST_F(MeterEngineTest, SlowDisplayHandOver) {
    struct Case {
        uint32_t relax;
        bool expectLoss;
    } cases[] = {{0, false}, {1, true}, {0, false}};
    for (const Case& c : cases) {
        MeterSetFrameLossSwitches(engine, c.relax, 1);
        MeterSetRecording(engine, 1);
        MeterResetHistory(engine);
        recorder.frames.clear();
        recorder.sleepMs = 5;
        const int kFrames = 40;
        Feed(Constant(4410, 1000, 1000), kFrames);
        Settle();
        recorder.sleepMs = 0;
        uint32_t lost = MeterGetLostFrames(engine);
        size_t shown = Frames().size();
        EXPECT_EQ(size_t(kFrames), shown + lost) << c.relax;
        EXPECT_EQ(c.expectLoss, lost > 0) << c.relax;
        EXPECT_EQ(int(shown), MeterGetHistoryStatus(engine).recordCount);
        MeterSetFrameLossSwitches(engine, 0, 0);
        EXPECT_EQ(0u, MeterGetLostFrames(engine));
    }
}

TEST_F(MeterEngineTest, WindowPlacementAndZoom) {
    static const MeterDrawHooks hooks = {
        nullptr, nullptr, nullptr, [](void*, MeterRect* r) {
            *r = MeterRect{10, 20, 300, 400};
            return 1;
        }};
    MeterSetDrawHooks(engine, &hooks);
    int window = 0;
    MeterAttachWindow(engine, &window);
    MeterConfig c;
    MeterGetConfig(engine, &c);
    EXPECT_EQ(1u, c.windowOpen);
    EXPECT_EQ(400, c.windowRect.bottom);
    MeterAttachWindow(engine, nullptr);
    MeterGetConfig(engine, &c);
    EXPECT_EQ(0u, c.windowOpen);
    EXPECT_EQ(300, c.windowRect.right); // kept for reopening
    MeterSetZoom(engine, 7);
    EXPECT_EQ(7, MeterGetZoom(engine));
    MeterFollow(engine);
    EXPECT_EQ(1, MeterGetZoom(engine));
}

TEST(MeterLevelMode, SelectionWritesBothCopies) {
    MeterConfig c{};
    struct Case {
        MeterLevelMode mode;
        uint32_t peak, rms;
    } cases[] = {{kMeterLevelPeak, 1, 0}, {kMeterLevelRms, 0, 1}, {kMeterLevelAverage, 0, 0}};
    for (const Case& k : cases) {
        MeterSelectLevelMode(&c, k.mode);
        EXPECT_EQ(k.mode, MeterGetLevelMode(&c.params));
        EXPECT_EQ(k.mode, MeterGetLevelMode(&c.params2));
        EXPECT_EQ(k.peak, c.params2.peakSelect & 1);
    }
}

} // namespace
