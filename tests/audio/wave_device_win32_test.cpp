#include "audio/wave_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "tests/audio/fake_winmm.h"

namespace {

using fakewinmm::Device;

const WaveDeviceRecord* Record(uint32_t index) {
    return static_cast<const WaveDeviceRecord*>(RecordListFetch(WaveDeviceList(), index));
}

std::vector<const WaveDeviceRecord*> Outputs() {
    std::vector<const WaveDeviceRecord*> out;
    for (uint32_t i = 1; i <= RecordListCount(WaveDeviceList()); ++i)
        if (Record(i)->direction == uint32_t(kWaveOutput)) out.push_back(Record(i));
    return out;
}

// An output driver on the fake device.
struct FakeDriver {
    Device device;
    fakewinmm::Scope scope{&device};
    WaveDriver driver;
    FakeDriver() {
        WaveDeviceListAcquire(nullptr);
        EXPECT_EQ(WaveDriverInit(&driver, kWaveOutput), 1);
    }
    void OpenPrepared() {
        ASSERT_EQ(driver.ops.Open(&driver), 0);
        ASSERT_EQ(driver.ops.Prepare(&driver), 0);
    }
    int Transfer(void* pcm = nullptr) { return driver.ops.Transfer(&driver, pcm); }
    ~FakeDriver() {
        if (driver.ops.Stop) {
            driver.ops.Stop(&driver);
            driver.ops.Unprepare(&driver);
            driver.ops.Close(&driver);
        }
        WaveDriverDestroy(&driver);
        WaveDeviceListRelease();
    }
};

// ---- Device list ----

TEST(WaveDeviceList, RealDevicesHaveTheMapperFirst) {
    if (!std::getenv("TENVELO_NULL_SINK")) GTEST_SKIP() << "needs the test environment's sound server";
    ASSERT_EQ(WaveDeviceListAcquire(nullptr), 1);
    std::vector<const WaveDeviceRecord*> out = Outputs();
    ASSERT_GE(out.size(), 2u);
    EXPECT_STREQ(out[0]->displayName, "WIN : Windows Wave Mapper");
    EXPECT_EQ(out[0]->deviceId, kWaveMapperId);
    for (size_t i = 1; i < out.size(); ++i) {
        EXPECT_EQ(std::strncmp(out[i]->displayName, "WIN : ", 6), 0) << out[i]->displayName;
        EXPECT_GE(out[i]->deviceId, 0);
        EXPECT_EQ(out[i]->driverKind, kWaveDriverKindWinmm);
    }
    WaveDriver driver;
    ASSERT_EQ(WaveDriverInit(&driver, kWaveOutput), 1);
    EXPECT_EQ(driver.device.deviceId, kWaveMapperId);
    EXPECT_EQ(driver.ops.QueryFormat(&driver, &kProgramStreamFormat), 1);
    WaveDriverDestroy(&driver);
    WaveDeviceListRelease();
}

// Runs under `scripts/testenv --no-audio` with TENVELO_EXPECT_NO_AUDIO=1
// (see bench/README.md, "Streaming"); skipped elsewhere.
TEST(WaveDeviceListNoServer, EmptyAndInitFails) {
    if (!std::getenv("TENVELO_EXPECT_NO_AUDIO")) GTEST_SKIP() << "needs a run without a sound server";
    ASSERT_EQ(WaveDeviceListAcquire(nullptr), 1);
    EXPECT_EQ(RecordListCount(WaveDeviceList()), 0u);
    WaveDriver driver;
    EXPECT_EQ(WaveDriverInit(&driver, kWaveOutput), 0);
    WaveDriverDestroy(&driver);
    WaveDeviceListRelease();
}

TEST(WaveDeviceList, FailedQueriesAreSkippedAndNumberingClosesUp) {
    struct Case {
        bool mapper, failFirst;
        std::vector<std::string> outNames;
    } cases[] = {
        {true, false, {"WIN : Windows Wave Mapper", "WIN : Fake 0", "WIN : Fake 1"}},
        {false, true, {"WIN : Fake 1"}},
    };
    for (const Case& c : cases) {
        Device device;
        device.mapperAnswers = c.mapper;
        device.failCaps[0] = c.failFirst;
        fakewinmm::Scope scope(&device);
        ASSERT_EQ(WaveDeviceListAcquire(nullptr), 1);
        EXPECT_EQ(Record(1)->direction, uint32_t(kWaveInput)) << "inputs come first";
        std::vector<const WaveDeviceRecord*> out = Outputs();
        ASSERT_EQ(out.size(), c.outNames.size());
        for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i]->displayName, c.outNames[i]);
        WaveDriver driver;
        ASSERT_EQ(WaveDriverInit(&driver, kWaveOutput), 1);
        uint32_t last = static_cast<uint32_t>(out.size());
        EXPECT_EQ(SelectDevice(&driver, last), 1);
        EXPECT_EQ(driver.device.deviceId, 1);
        EXPECT_EQ(SelectDevice(&driver, last + 1), 0);
        EXPECT_EQ(driver.selectedDevice, last) << "a failed selection keeps the old one";
        WaveDriverDestroy(&driver);
        // A second user keeps the list until both release it.
        WaveDeviceListAcquire(nullptr);
        WaveDeviceListRelease();
        EXPECT_GT(RecordListCount(WaveDeviceList()), 0u);
        WaveDeviceListRelease();
        EXPECT_EQ(RecordListCount(WaveDeviceList()), 0u);
    }
}

// ---- Sizing ----

TEST(WaveDriver, LatencyGivesFramesAndBytes) {
    struct Case {
        float latency;
        uint32_t frames, bytes;
    } cases[] = {{0.2f, 8820, 35280}, {0.1f, 4408, 17632}, {0.05f, 2204, 8816},
                 {0.03f, 1320, 5280}, {0.02f, 880, 3520},  {0.00001f, 4, 16}};
    FakeDriver f;
    EXPECT_EQ(f.driver.framesPerBuffer, 4408u);
    for (const Case& c : cases) {
        EXPECT_EQ(SetFormatAndLatency(&f.driver, &kProgramStreamFormat, c.latency), 1);
        EXPECT_EQ(WaveGetFramesPerBuffer(&f.driver), c.frames) << c.latency;
        EXPECT_EQ(WaveGetBytesPerBuffer(&f.driver), c.bytes) << c.latency;
    }
    StreamFormat bad = {44100, 2, 3};
    EXPECT_EQ(SetFormatAndLatency(&f.driver, &bad, 0.1f), 0);
}

// ---- Transfers ----

TEST(WaveDriver, ThirdTransferWaitsForAReturnedBuffer) {
    FakeDriver f;
    SetFormatAndLatency(&f.driver, &kProgramStreamFormat, 0.02f);
    f.OpenPrepared();
    std::vector<unsigned char> pcm(f.driver.bytesPerBuffer, 0x5a);
    EXPECT_EQ(f.Transfer(pcm.data()), 0);
    EXPECT_EQ(f.Transfer(nullptr), 0);
    EXPECT_EQ(WaveQueued(&f.driver), 2);
    auto third = std::async(std::launch::async, [&] { return f.Transfer(pcm.data()); });
    EXPECT_EQ(third.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    ASSERT_TRUE(f.device.Complete());
    ASSERT_EQ(third.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(third.get(), 0);
    ASSERT_EQ(f.device.written.size(), 3u);
    EXPECT_EQ(f.device.written[0].bytes, pcm);
    EXPECT_EQ(f.device.written[1].bytes, std::vector<unsigned char>(pcm.size(), 0))
        << "a null buffer plays silence";
    EXPECT_NE(f.device.written[1].header, f.device.written[2].header);

    // A stop request wakes a transfer waiting for a buffer.
    auto fourth = std::async(std::launch::async, [&] { return f.Transfer(); });
    EXPECT_EQ(fourth.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    RequestStop(&f.driver);
    ASSERT_EQ(fourth.wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

TEST(WaveDriver, RefusedBuffers) {
    for (uint32_t lostDetection : {0u, 1u}) {
        SCOPED_TRACE(lostDetection);
        const int result = lostDetection ? -1 : 0;
        FakeDriver f;
        f.OpenPrepared();
        SetLostDetection(&f.driver, lostDetection);
        ASSERT_EQ(f.Transfer(), 0);
        f.device.writeResult = MMSYSERR_NOMEM;
        EXPECT_EQ(f.Transfer(), result);
        EXPECT_EQ(f.driver.failureCount, 1u);
        EXPECT_EQ(WaveQueued(&f.driver), 1);
        EXPECT_STREQ(GetErrorText(&f.driver), lostDetection ? "Driver Communication lost..." : "");
        f.device.writeResult = MMSYSERR_NOERROR;
        EXPECT_EQ(f.Transfer(), result);
        EXPECT_EQ(f.driver.lost, lostDetection);
        if (lostDetection) {
            EXPECT_EQ(f.device.written.size(), 2u) << "a lost driver writes nothing";
        } else {
            ASSERT_EQ(f.device.written.size(), 3u);
            EXPECT_EQ(f.device.written[2].header, f.device.written[1].header)
                << "the refused slot is used again";
        }
    }
}

TEST(WaveDriver, RepeatedStateChangesAndRefusals) {
    FakeDriver f;
    f.OpenPrepared();
    const int prepares = f.device.prepares, pauses = f.device.pauses, resets = f.device.resets;
    EXPECT_EQ(f.driver.ops.Open(&f.driver), 0);
    EXPECT_EQ(f.driver.ops.Prepare(&f.driver), 0);
    f.driver.ops.Stop(&f.driver);
    EXPECT_EQ(f.device.opens, 1);
    EXPECT_EQ(f.device.prepares, prepares);
    EXPECT_EQ(f.device.pauses, pauses);
    EXPECT_EQ(f.device.resets, resets);
    // A refused Start leaves running set, so that Stop still resets.
    f.device.restartResult = MMSYSERR_NOTSUPPORTED;
    EXPECT_EQ(f.driver.ops.Start(&f.driver), -1);
    EXPECT_EQ(f.driver.running, 1u);
    EXPECT_STREQ(GetErrorText(&f.driver), "fake device error 8");
    f.driver.ops.Stop(&f.driver);
    EXPECT_EQ(f.device.resets, resets + 1);
    EXPECT_EQ(f.driver.running, 0u);
}

TEST(WaveDriver, FailedPreparationLeavesNoSlot) {
    struct Case {
        int failAllocAt, failPrepareAt;
    } cases[] = {{7, -1}, {-1, 2}};
    for (const Case& c : cases) {
        FakeDriver f;
        f.device.failAllocAt = c.failAllocAt;
        f.device.failPrepareAt = c.failPrepareAt;
        f.device.prepareResult = MMSYSERR_NOMEM;
        ASSERT_EQ(f.driver.ops.Open(&f.driver), 0);
        EXPECT_EQ(f.driver.ops.Prepare(&f.driver), -1);
        EXPECT_EQ(f.driver.slots, nullptr);
        EXPECT_EQ(f.driver.prepared, 0u);
        EXPECT_EQ(f.device.unprepares, c.failPrepareAt < 0 ? 0 : 3)
            << "headers prepared before the failure are given back";
        EXPECT_EQ(f.Transfer(), -1);
        f.device.failAllocAt = f.device.failPrepareAt = -1;
        EXPECT_EQ(f.driver.ops.Prepare(&f.driver), 0) << "the next attempt succeeds";
    }
}

} // namespace
