#include "audio/stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "sys/settings_store.h"
#include "meter/level_analysis.h"
#include "meter/meter_engine.h"
#include "tests/sys/settings_test_root.h"
#include "tests/audio/fake_winmm.h"
#include "tests/meter/engine_test_support.h"
#include "tests/support/modal_script_win32.h"
#include "tests/support/test_files.h"
#include "tools/demo_wave.h"

namespace {

using Clock = std::chrono::steady_clock;
using metertest::Watchdog;

bool InTestEnvironment() {
    return std::getenv("TENVELO_AUDIO") != nullptr;
}

struct Rig {
    SettingsTestRoot settings;
    testsupport::ScratchDir dir;
    WaveDriver driver{};
    WaveFile file{};
    MeterEngine* engine = nullptr;
    StreamContext stream;
    HWND window = nullptr;
    std::string wavePath;

    explicit Rig(bool withEngine = false) {
        WaveDeviceListAcquire(nullptr);
        EXPECT_EQ(WaveDriverInit(&driver, kWaveOutput), 1);
        window = CreateWindowExA(0, "STATIC", "stream test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        StreamInit(&stream, &driver, &file, &engine);
        EXPECT_EQ(ApplyLatency(&stream, window), 1);
        if (withEngine) {
            engine = MeterEngineCreate(nullptr);
            EXPECT_NE(engine, nullptr);
            EXPECT_EQ(MeterSetFormat(&engine, 44100.0f, 2), 1);
        }
    }
    void OpenDemo(double seconds) {
        wavePath = dir.path() + "\\demo.wav";
        ASSERT_TRUE(demo::WriteDemoWave(wavePath, seconds));
        ASSERT_EQ(WaveFileOpen(&file, wavePath.c_str()), kWaveOpened);
    }
    ~Rig() {
        StreamRelease(&stream);
        MeterEngineDestroy(&engine);
        WaveFileClose(&file);
        WaveDriverDestroy(&driver);
        WaveDeviceListRelease();
        DestroyWindow(window);
    }
};

struct FakeRig {
    fakewinmm::Device device;
    fakewinmm::Scope scope{&device};
    Rig rig;
};

TEST(StreamActions, PlayAndStop) {
    FakeRig f;
    fakewinmm::Device& device = f.device;
    Rig& rig = f.rig;
    device.completeMs = 5;
    EXPECT_EQ(StartStream(&rig.stream), 0) << "no file";
    EXPECT_EQ(device.threadsMade, 0);
    rig.OpenDemo(0.5);
    rig.file.position = 1234;
    EXPECT_EQ(StreamStopAction(&rig.stream), 0) << "stopped";
    EXPECT_EQ(rig.file.position, 1234) << "no rewind while stopped";

    Watchdog watchdog(30);
    EXPECT_EQ(StartStream(&rig.stream), 1);
    EXPECT_EQ(StartStream(&rig.stream), 0) << "a second Play starts nothing";
    EXPECT_EQ(device.threadsMade, 1);
    ASSERT_TRUE(metertest::WaitFor([&] { return rig.stream.stats.buffers.load() >= 3; }));
    EXPECT_EQ(StreamStopAction(&rig.stream), 1);
    EXPECT_EQ(StreamIsStreaming(&rig.stream), 0u);
    EXPECT_EQ(rig.file.position, 0) << "Stop rewinds";
    EXPECT_EQ(device.Queued(), 0u);
}

// A device that does not open, prepare or start ends the stream at once,
// and a thread that cannot be made starts none; either way the next Play
// plays.
TEST(StreamActions, EveryFailedStartLeavesPlayPossible) {
    using fakewinmm::Device;
    const struct {
        const char* what;
        void (*fail)(Device&);
        int started;
    } cases[] = {{"open", [](Device& d) { d.openResult = MMSYSERR_ALLOCATED; }, 1},
                 {"prepare", [](Device& d) { d.prepareResult = MMSYSERR_NOMEM; }, 1},
                 {"start", [](Device& d) { d.restartResult = MMSYSERR_ERROR; }, 1},
                 {"thread", [](Device& d) { d.failThread = true; }, 0}};
    Watchdog watchdog(60);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRig f;
        f.device.completeMs = 5;
        f.rig.OpenDemo(0.5);
        c.fail(f.device);
        EXPECT_EQ(c.started, StartStream(&f.rig.stream));
        ASSERT_TRUE(metertest::WaitFor([&] { return !StreamIsStreaming(&f.rig.stream); }));
        EXPECT_EQ(0u, f.rig.stream.stats.buffers.load());
        f.device.openResult = f.device.prepareResult = f.device.restartResult = MMSYSERR_NOERROR;
        f.device.failThread = false;
        ASSERT_EQ(1, StartStream(&f.rig.stream));
        ASSERT_TRUE(metertest::WaitFor([&] { return f.rig.stream.stats.buffers.load() >= 3; }));
        EXPECT_EQ(1, StreamStopAction(&f.rig.stream));
    }
}

TEST(StreamLatency, MenuChoicesWhileStoppedAndPlaying) {
    FakeRig f;
    Rig& rig = f.rig;
    f.device.completeMs = 5;
    EXPECT_EQ(StreamChooseLatency(&rig.stream, rig.window, 54), 1);
    EXPECT_EQ(rig.stream.framesPerBuffer, 880u);
    EXPECT_EQ(rig.stream.bytesPerBuffer, 3520u);

    rig.OpenDemo(0.2);
    Watchdog watchdog(30);
    ASSERT_EQ(StartStream(&rig.stream), 1);
    std::string text; // the refusal's message box
    {
        modaltest::Script box("Change Latency", modaltest::Answer("", &text));
        EXPECT_EQ(StreamChooseLatency(&rig.stream, rig.window, 50), 0);
    }
    EXPECT_EQ(text, "Cannot change latency during play...\nPlease Stop the stream "
                    "before changing this parameter.");
    EXPECT_EQ(rig.stream.framesPerBuffer, 880u);
    EXPECT_FLOAT_EQ(rig.stream.latency, 0.02f);
    StopStream(&rig.stream);
    for (const fakewinmm::Written& w : f.device.written)
        EXPECT_EQ(w.bytes.size(), 3520u);
}

TEST(StreamLatency, StoredValues) {
    struct Case {
        float stored, used;
    } cases[] = {{0.5f, 0.1f}, {0.01f, 0.1f}, {NAN, 0.1f}, {0.15f, 0.15f}};
    FakeRig f;
    f.rig.stream.latency = 0.05f; // a latency chosen is the next start's
    StreamSaveLatency(&f.rig.stream);
    f.rig.stream.latency = 0.03f;
    EXPECT_EQ(StreamLoadLatency(&f.rig.stream), 1);
    EXPECT_EQ(f.rig.stream.latency, 0.05f);
    for (const Case& c : cases) {
        WriteSettingBinary(kLatencyKey, kLatencyTimeValue, &c.stored, 4);
        f.rig.stream.latency = 0.03f;
        EXPECT_EQ(StreamLoadLatency(&f.rig.stream), c.used == c.stored ? 1 : 0) << c.stored;
        EXPECT_EQ(f.rig.stream.latency, c.used) << c.stored;
    }
}

constexpr int kDrawMs = 300;
std::atomic<int> g_drawing{0};

void SlowDraw(MeterEngine*, DisplayFrame*) {
    g_drawing.store(1);
    Sleep(kDrawMs);
    g_drawing.store(0);
}

const MeterDrawHooks kSlowHooks = {SlowDraw, nullptr, nullptr, nullptr};

TEST(StreamStop, FinishesWhileTheDisplayIsSlow) {
    if (!InTestEnvironment()) GTEST_SKIP() << "needs the test environment's sound server";
    Watchdog watchdog(120);
    Rig rig(true);
    rig.OpenDemo(2.0);
    MeterSetDrawHooks(rig.engine, &kSlowHooks);
    MeterAttachWindow(rig.engine, rig.window);
    for (uint32_t relax : {0u, 1u}) {
        SCOPED_TRACE(relax);
        MeterSetFrameLossSwitches(rig.engine, relax, 0);
        ASSERT_EQ(StartStream(&rig.stream), 1);
        Sleep(400);
        ASSERT_TRUE(metertest::WaitFor([] { return g_drawing.load() == 1; }));
        auto t0 = Clock::now();
        StopStream(&rig.stream); // called while a drawing runs
        // The rest of one cycle: one analysis (waiting for at most one
        // drawing unless relaxed) and one wait for a returned buffer.
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0);
        EXPECT_LT(ms.count(), 100 + (relax ? 0 : kDrawMs) + 250);
    }
    MeterSetDrawHooks(rig.engine, nullptr);
}

} // namespace
