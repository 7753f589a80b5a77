#include "audio/input_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "meter/live_loudness.h"
#include "meter/meter_engine.h"
#include "tests/audio/fake_winmm.h"
#include "tests/meter/engine_test_support.h"

namespace {

using metertest::Watchdog;

constexpr UINT kFailedMessage = WM_APP + 7;

// A fake with two input devices (and the mapper) filling 20 ms buffers
// every 5 ms, an engine recording, and the input stream over them.
struct InputRig {
    fakewinmm::Device device;
    fakewinmm::Scope scope;
    MeterEngine* engine = nullptr;
    LiveLoudness loudness{};
    InputStream input;
    HWND window = nullptr;

    explicit InputRig(int inputs = 2) : scope(Prepare(&device, inputs)) {
        WaveDeviceListAcquire(nullptr);
        engine = MeterEngineCreate(nullptr);
        EXPECT_EQ(MeterSetFormat(&engine, 44100.0f, 2), 1);
        MeterSetRecording(engine, 1);
        EXPECT_EQ(LiveLoudnessInit(&loudness), 1);
        window = CreateWindowExA(0, "STATIC", "input test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        InputStreamInit(&input, &engine, &loudness, window, kFailedMessage);
        if (input.driverReady) {
            EXPECT_EQ(InputApplyLatency(&input, 0.02f), 1);
        }
    }
    static fakewinmm::Device* Prepare(fakewinmm::Device* d, int inputs) {
        d->inputs = inputs;
        d->inputMs = 5;
        return d;
    }
    ~InputRig() {
        InputStreamRelease(&input);
        MeterEngineDestroy(&engine);
        LiveLoudnessFree(&loudness);
        WaveDeviceListRelease();
        DestroyWindow(window);
    }
    bool Start(std::string* reason) {
        char text[kInputReasonSize] = {};
        const bool ok = InputOpenDevice(&input, text) && InputRun(&input, text);
        *reason = text;
        return ok;
    }
    bool Posted() {
        MSG msg;
        return PeekMessageA(&msg, window, kFailedMessage, kFailedMessage, PM_REMOVE) != 0;
    }
    bool WaitPosted(int ms) {
        for (int waited = 0; waited < ms; waited += 10) {
            if (Posted()) return true;
            Sleep(10);
        }
        return false;
    }
    int32_t Slots() { return MeterGetHistoryStatus(engine).recordCount; }
};

// Every refusal before measuring: the reason, the device closed again, no
// thread, nothing measured; and the next try with a willing device works.
TEST(InputStream, RefusalsLeaveNothingOpen) {
    struct Case {
        const char* name;
        void (*refuse)(fakewinmm::Device*);
        const char* reason;
    };
    const Case kCases[] = {
        {"format", [](fakewinmm::Device* d) { d->refuseInputFormat = true; }, kInputFormatText},
        {"open", [](fakewinmm::Device* d) { d->inOpenResult = MMSYSERR_ALLOCATED; },
         "fake device error 4"},
        {"buffer", [](fakewinmm::Device* d) { d->addBufferResult = MMSYSERR_NODRIVER; },
         kWaveCommunicationLost},
        {"start", [](fakewinmm::Device* d) { d->inStartResult = MMSYSERR_NODRIVER; },
         "fake device error 6"},
        {"thread", [](fakewinmm::Device* d) { d->failThread = true; },
         "The measuring thread could not be started."},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        InputRig rig;
        c.refuse(&rig.device);
        std::string reason;
        EXPECT_FALSE(rig.Start(&reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(InputIsMeasuring(&rig.input), 0u);
        EXPECT_EQ(rig.input.thread, nullptr);
        EXPECT_EQ(rig.input.driver.open, 0u);
        EXPECT_EQ(rig.input.driver.prepared, 0u);
        EXPECT_EQ(rig.device.inputOpens.load(), rig.device.inputCloses.load());

        rig.device.refuseInputFormat = false;
        rig.device.inOpenResult = rig.device.addBufferResult = MMSYSERR_NOERROR;
        rig.device.inStartResult = MMSYSERR_NOERROR;
        rig.device.failThread = false;
        EXPECT_TRUE(rig.Start(&reason)) << reason;
        EXPECT_TRUE(metertest::WaitFor([&] { return rig.input.buffers.load() >= 3; }, 3000));
        StopInput(&rig.input);
    }
}

TEST(InputStream, NoInputDeviceSaysSo) {
    InputRig rig(0);
    EXPECT_EQ(rig.input.driverReady, 0u);
    EXPECT_EQ(InputDeviceCount(), 0u);
    std::string reason;
    EXPECT_FALSE(rig.Start(&reason));
    EXPECT_EQ(reason, kNoInputDeviceText);
}

// What the device fills reaches the meters, the history and the loudness,
// buffer by buffer, with none lost; the device ends closed.
TEST(InputStream, MeasuresEveryFilledBuffer) {
    Watchdog watchdog(30);
    InputRig rig;
    rig.device.level = 16384; // -6 dBFS
    rig.device.antiPhase = true;
    std::string reason;
    ASSERT_TRUE(rig.Start(&reason)) << reason;
    ASSERT_TRUE(metertest::WaitFor([&] { return rig.Slots() >= 10; }, 5000));
    StopInput(&rig.input);
    EXPECT_EQ(InputIsMeasuring(&rig.input), 0u);
    EXPECT_EQ(rig.input.lost.load(), 0u);
    EXPECT_EQ(rig.input.driver.open, 0u);
    EXPECT_GE(uint64_t(rig.device.inputsFilled.load()), rig.input.buffers.load());
    const HistoryStore& h = rig.engine->frame.history;
    const HistoryRecord& last = h.history[h.recordCount - 1];
    EXPECT_FLOAT_EQ(last.peakL, 0.5f);
    EXPECT_FLOAT_EQ(last.peakR, 16384.0f / 32768.0f);
    EXPECT_LT(last.correlation, -0.99f);
    LoudnessReading r{};
    LiveLoudnessRead(&rig.loudness, &r);
    EXPECT_GT(r.frames, 0u);
    EXPECT_LE(r.frames, rig.input.buffers.load() * 880);
    // The step from silence overshoots between the samples: above, never below.
    EXPECT_GE(r.truePeakDb[0], -6.03);
    EXPECT_LT(r.truePeakDb[0], 0.0);
    EXPECT_FALSE(rig.Posted()); // a stop asked for is no failure
}

// The device failing while measuring: the thread stops, closes the device
// and posts; the history stays; measuring can start again.
TEST(InputStream, ADeviceFailureStopsMeasuringAndSaysWhy) {
    struct Case {
        const char* name;
        void (*fail)(fakewinmm::Device*);
        const char* reason;
        int withinMs;
    };
    const Case kCases[] = {
        {"buffer refused", [](fakewinmm::Device* d) { d->addBufferResult = MMSYSERR_NODRIVER; },
         kWaveCommunicationLost, 1000},
        {"silent", [](fakewinmm::Device* d) { d->inputStalled = true; }, kInputSilentText,
         int(kInputPatienceMs) + 1500},
    };
    Watchdog watchdog(60);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        InputRig rig;
        std::string reason;
        ASSERT_TRUE(rig.Start(&reason)) << reason;
        ASSERT_TRUE(metertest::WaitFor([&] { return rig.Slots() >= 3; }, 5000));
        c.fail(&rig.device);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(rig.WaitPosted(c.withinMs + 2000));
        EXPECT_LE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(c.withinMs));
        EXPECT_EQ(InputIsMeasuring(&rig.input), 0u);
        EXPECT_EQ(rig.input.failed.load(), 1u);
        EXPECT_STREQ(rig.input.failure, c.reason);
        const int32_t kept = rig.Slots();
        StopInput(&rig.input); // joins the thread that ended by itself
        EXPECT_EQ(rig.input.thread, nullptr);
        EXPECT_EQ(rig.input.driver.open, 0u);
        EXPECT_EQ(rig.Slots(), kept);

        rig.device.addBufferResult = MMSYSERR_NOERROR;
        rig.device.inputStalled = false;
        ASSERT_TRUE(rig.Start(&reason)) << reason;
        EXPECT_TRUE(metertest::WaitFor([&] { return rig.Slots() > kept + 2; }, 5000));
        StopInput(&rig.input);
    }
}

TEST(InputStream, TheLatencySizesTheBuffersWhileStoppedOnly) {
    InputRig rig;
    struct Case {
        float latency;
        uint32_t bytes;
    };
    for (const Case& c : {Case{0.2f, 35280}, Case{0.1f, 17632}, Case{0.02f, 3520}}) {
        EXPECT_EQ(InputApplyLatency(&rig.input, c.latency), 1);
        EXPECT_EQ(rig.input.bytesPerBuffer, c.bytes);
    }
    std::string reason;
    ASSERT_TRUE(rig.Start(&reason));
    EXPECT_EQ(InputApplyLatency(&rig.input, 0.2f), 0);
    EXPECT_EQ(rig.input.bytesPerBuffer, 3520u);
    EXPECT_EQ(InputChooseDevice(&rig.input, 2), 0);
    StopInput(&rig.input);
}

} // namespace
