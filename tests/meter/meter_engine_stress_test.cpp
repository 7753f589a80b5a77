#include "meter/meter_engine.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "tests/sys/settings_test_root.h"
#include "tests/meter/engine_test_support.h"

using metertest::WaitFor;

namespace {

struct Gate {
    std::atomic<int> closed{0}, blocked{0}, slowMs{0};
};
Gate gGate;

void GatedDraw(MeterEngine*, DisplayFrame*) {
    if (int ms = gGate.slowMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (!gGate.closed.load()) return;
    gGate.blocked.store(1);
    while (gGate.closed.load())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    gGate.blocked.store(0);
}

const MeterDrawHooks kGatedHooks = {GatedDraw, nullptr, nullptr, nullptr};

struct Feeder {
    MeterEngine* slot = nullptr;
    std::atomic<int> stop{0}, loopDone{0}, gateReady{0}, finalEntered{0};
    bool deferredEnd = false;
    const std::vector<int16_t>* pcm;
    const std::vector<int16_t>* second;
};

void Feed(Feeder* f) {
    std::mt19937 rng(7);
    const uint32_t sizes[] = {1, 441, 1764, 4408, 8820};
    while (!f->stop.load()) {
        AnalyseBuffer(&f->slot, f->pcm->data(), sizes[rng() % 5] * 4);
    }
    if (!f->deferredEnd) return;
    f->loopDone.store(1);
    while (!f->gateReady.load())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    AnalyseBuffer(&f->slot, f->second->data(), 44100 * 4);
    while (!gGate.blocked.load())
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    f->finalEntered.store(1);
    AnalyseBuffer(&f->slot, f->second->data(), 44100 * 4);
    AnalyseBuffer(&f->slot, f->second->data(), 44100 * 4);
}

TEST(MeterEngineStress, LifecyclesUnderLoad) {
    metertest::Watchdog watchdog(60);
    SettingsTestRoot settings;
    std::mt19937 rng(42);
    std::vector<int16_t> pcm(2 * 8820);
    for (int16_t& s : pcm)
        s = static_cast<int16_t>(rng());
    std::vector<int16_t> second(2 * 44100, 12000);
    const int kRounds = 8;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        Feeder f;
        f.pcm = &pcm;
        f.second = &second;
        f.deferredEnd = round % 2 == 0;
        gGate.slowMs = round % 3;
        MeterEngine* engine = MeterEngineCreate(nullptr);
        ASSERT_NE(nullptr, engine);
        ASSERT_EQ(1, MeterSetFormat(&engine, 44100.0f, 2));
        MeterSetDrawHooks(engine, &kGatedHooks);
        MeterSetRecording(engine, 1);
        f.slot = engine;
        std::thread feeder(Feed, &f);
        for (int step = 0; step < 40; ++step) {
            MeterConfig c;
            switch (rng() % 6) {
            case 0: MeterSetFrameLossSwitches(engine, rng() % 2, 1); break;
            case 1: MeterSetHold(engine, rng() % 2); break;
            case 2:
                MeterGetConfig(engine, &c);
                c.params.framesPerSecond = static_cast<int32_t>(rng() % 40) - 2;
                c.params.linearBallistics = rng() % 2;
                c.params.delay = c.params2.delay = (rng() % 5) * 0.5f;
                c.params.attackOn = rng() % 2;
                MeterSetConfig(engine, &c);
                break;
            case 3: MeterSetZoom(engine, 1 + static_cast<int32_t>(rng() % 5)); break;
            case 4: MeterGetHistoryStatus(engine); break;
            case 5: MeterSetRecording(engine, rng() % 2); break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500));
        }
        MeterSetHold(engine, 0);
        if (f.deferredEnd) {
            MeterSetFrameLossSwitches(engine, 0, 1);
            f.stop = 1;
            ASSERT_TRUE(WaitFor([&] { return f.loopDone.load() == 1; }, 10000));
            ASSERT_TRUE(WaitFor([&] { return engine->framePending.load() == 0; }, 10000));
            gGate.closed = 1;
            f.gateReady = 1;
            ASSERT_TRUE(WaitFor([&] { return f.finalEntered.load() == 1; }, 10000));
            ASSERT_TRUE(WaitFor([&] { return MeterIsAnalysisBusy(engine) == 1; }, 10000));
            EXPECT_EQ(0, MeterEngineRequestDestroy(&engine));
            gGate.closed = 0;
            feeder.join();
            EXPECT_EQ(nullptr, f.slot);
        } else {
            f.stop = 1;
            feeder.join();
            EXPECT_EQ(1, MeterEngineRequestDestroy(&f.slot));
            EXPECT_EQ(nullptr, f.slot);
        }
    }
}

} // namespace
