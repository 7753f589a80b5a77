#include "audio/wave_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <vector>

#include "tests/audio/fake_winmm.h"

namespace {

using fakewinmm::Device;

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

TEST(WaveDeviceList, MapperFirst) {
    Device device;
    fakewinmm::Scope scope(&device);
    ASSERT_EQ(WaveDeviceListAcquire(nullptr), 1);
    std::vector<const WaveDeviceRecord*> out;
    for (uint32_t i = 1; i <= RecordListCount(WaveDeviceList()); ++i) {
        auto* r = static_cast<const WaveDeviceRecord*>(RecordListFetch(WaveDeviceList(), i));
        if (r->direction == uint32_t(kWaveOutput)) out.push_back(r);
    }
    ASSERT_EQ(out.size(), 3u);
    EXPECT_STREQ(out[0]->displayName, "WIN : Windows Wave Mapper");
    EXPECT_EQ(out[0]->deviceId, kWaveMapperId);
    EXPECT_STREQ(out[1]->displayName, "WIN : Fake 0");
    WaveDeviceListRelease();
}

// Runs under `scripts/testenv --no-audio` with TENVELO_EXPECT_NO_AUDIO=1.
TEST(WaveDeviceListNoServer, EmptyAndInitFails) {
    if (!std::getenv("TENVELO_EXPECT_NO_AUDIO")) GTEST_SKIP() << "needs a run without a sound server";
    ASSERT_EQ(WaveDeviceListAcquire(nullptr), 1);
    EXPECT_EQ(RecordListCount(WaveDeviceList()), 0u);
    WaveDriver driver;
    EXPECT_EQ(WaveDriverInit(&driver, kWaveOutput), 0);
    WaveDriverDestroy(&driver);
    WaveDeviceListRelease();
}

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

TEST(WaveDriver, FailedAllocationLeavesNoSlot) {
    FakeDriver f;
    f.device.failAllocAt = 7;
    ASSERT_EQ(f.driver.ops.Open(&f.driver), 0);
    EXPECT_EQ(f.driver.ops.Prepare(&f.driver), -1);
    EXPECT_EQ(f.driver.slots, nullptr);
    EXPECT_EQ(f.driver.prepared, 0u);
    EXPECT_EQ(f.Transfer(), -1);
}

} // namespace
