// Closing the meter window, and stopping the stream then quitting, while the
// display thread draws 30 frames a second into the window, 200 times each.
// Every wait has a watchdog: a deadlock aborts the run instead of hanging it.
#include "tests/meter/engine_test_support.h"
#include "tests/view/meter_window_test_support.h"

#include <thread>

namespace {

using metertest::Watchdog;

constexpr int kRounds = 200;
constexpr int kWatchdogSeconds = 20;

// The streaming thread's part: one 30th of a second of audio per buffer,
// measured in real time; at the end, optionally the deferred destruction of
// the engine that the streaming thread runs in the program.
class Feeder {
  public:
    Feeder(MeterEngine* engine, bool destroyAtEnd) : slot_(engine), destroyAtEnd_(destroyAtEnd) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Feeder() { Stop(); }
    // Waits (watched) for the thread to end, as Stop waits for the stream.
    void Stop() {
        if (!thread_.joinable()) return;
        stop_.store(1);
        Watchdog watchdog(kWatchdogSeconds);
        thread_.join();
    }

  private:
    void Run() {
        const std::vector<int16_t> pcm = metertest::Constant(1470, 20000, -12000);
        while (!stop_.load()) {
            AnalyseBuffer(&slot_, pcm.data(), metertest::Bytes(pcm));
            Sleep(33);
        }
        if (destroyAtEnd_) MeterEngineDestroy(&slot_);
    }
    MeterEngine* slot_;
    bool destroyAtEnd_;
    std::atomic<int> stop_{0};
    std::thread thread_;
};

class MeterWindowStressTest : public mwtest::MeterWindowTest {
  protected:
    void Prepare(MeterEngine* engine) {
        MeterConfig c;
        MeterGetConfig(engine, &c);
        c.params.framesPerSecond = 30;
        MeterSetConfig(engine, &c);
        MeterSetRecording(engine, 1);
    }
    // Pumps messages until two more slots were recorded (frames drawn).
    void WaitForFrames(MeterEngine* engine) {
        const int32_t target = engine->frame.history.recordCount + 2;
        PumpUntil([&] { return engine->frame.history.recordCount >= target; });
    }
    template <typename Done> void PumpUntil(Done done) {
        Watchdog watchdog(kWatchdogSeconds);
        for (; !done(); Sleep(1))
            Pump();
    }
};

TEST_F(MeterWindowStressTest, CloseTheWindowWhileFramesAreDrawn) {
    Prepare(engine_);
    ASSERT_TRUE(Open(800, 500));
    DestroyWindow(window());
    Feeder feeder(engine_, false);
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_EQ(1, OpenMeterWindow(&panel_));
        HWND w = window();
        WaitForFrames(engine_);
        if (round % 2)
            SendMessageA(w, WM_CLOSE, 0, 0);
        else
            PostMessageA(w, WM_CLOSE, 0, 0);
        PumpUntil([&] { return !IsWindow(w); });
        EXPECT_EQ(Config().windowOpen, 0u);
    }
    feeder.Stop();
}

TEST_F(MeterWindowStressTest, QuitWhileFramesAreDrawn) {
    // The fixture's engine stays closed; each round makes its own.
    for (int round = 0; round < kRounds; ++round) {
        MeterEngine* engine = MeterEngineCreate(&GetMeterSettings()->values);
        ASSERT_NE(engine, nullptr);
        ASSERT_EQ(1, MeterSetFormat(&engine, 44100.0f, 2));
        Prepare(engine);
        ControlPanel panel = {};
        panel.engine = engine;
        ASSERT_EQ(1, OpenMeterWindow(&panel));
        HWND w = static_cast<HWND>(MeterGetWindow(engine));
        // Even rounds: the streaming thread destroys the engine at its end while
        // this thread waits for it; the window is closed by a posted message.
        const bool deferred = round % 2 == 0;
        Feeder feeder(engine, deferred);
        WaitForFrames(engine);
        feeder.Stop();
        if (!deferred) MeterEngineDestroy(&engine);
        PumpUntil([&] { return !IsWindow(w); });
    }
}

} // namespace
