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
using Clock = std::chrono::steady_clock;

const WaveDeviceRecord* Record(uint32_t index) {
    return static_cast<const WaveDeviceRecord*>(RecordListFetch(WaveDeviceList(), index));
}

std::vector<const WaveDeviceRecord*> Records(uint32_t direction) {
    std::vector<const WaveDeviceRecord*> out;
    for (uint32_t i = 1; i <= RecordListCount(WaveDeviceList()); ++i)
        if (Record(i)->direction == direction) out.push_back(Record(i));
    return out;
}

bool InTestEnvironment() {
    return std::getenv("TENVELO_NULL_SINK") != nullptr;
}

// A driver on the fake device, opened and prepared.
struct FakeDriver {
    Device device;
    fakewinmm::Scope scope{&device};
    WaveDriver driver;
    explicit FakeDriver(int32_t direction = kWaveOutput) {
        WaveDeviceListAcquire(nullptr);
        EXPECT_EQ(WaveDriverInit(&driver, direction), 1);
    }
    void OpenPrepared() {
        ASSERT_EQ(driver.ops.Open(&driver), 0);
        ASSERT_EQ(driver.ops.Prepare(&driver), 0);
    }
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
    if (!InTestEnvironment()) GTEST_SKIP() << "needs the test environment's sound server";
    ASSERT_EQ(WaveDeviceListAcquire(nullptr), 1);
    std::vector<const WaveDeviceRecord*> out = Records(kWaveOutput);
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
    StreamFormat slow = {8000, 2, kSampleInt16};
    EXPECT_EQ(driver.ops.QueryFormat(&driver, &slow), 0);
    WaveDriverDestroy(&driver);
    WaveDeviceListRelease();
    EXPECT_EQ(RecordListCount(WaveDeviceList()), 0u);
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
        bool mapper;
        bool failFirst;
        std::vector<std::string> outNames;
    } cases[] = {
        {true, false, {"WIN : Windows Wave Mapper", "WIN : Fake 0", "WIN : Fake 1"}},
        {true, true, {"WIN : Windows Wave Mapper", "WIN : Fake 1"}},
        {false, true, {"WIN : Fake 1"}},
    };
    for (const Case& c : cases) {
        Device device;
        device.mapperAnswers = c.mapper;
        device.failCaps[0] = c.failFirst;
        fakewinmm::Scope scope(&device);
        ASSERT_EQ(WaveDeviceListAcquire(nullptr), 1);
        std::vector<const WaveDeviceRecord*> out = Records(kWaveOutput);
        ASSERT_EQ(out.size(), c.outNames.size());
        for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i]->displayName, c.outNames[i]);
        if (!Records(kWaveInput).empty()) { // inputs come first in the list
            EXPECT_EQ(Record(1)->direction, uint32_t(kWaveInput));
        }
        WaveDriver driver;
        ASSERT_EQ(WaveDriverInit(&driver, kWaveOutput), 1);
        uint32_t last = static_cast<uint32_t>(out.size());
        EXPECT_EQ(SelectDevice(&driver, last), 1);
        EXPECT_EQ(driver.device.deviceId, 1);
        EXPECT_EQ(SelectDevice(&driver, last + 1), 0);
        EXPECT_EQ(driver.selectedDevice, last) << "a failed selection keeps the old one";
        WaveDriverDestroy(&driver);
        WaveDeviceListRelease();
    }
}

TEST(WaveDeviceList, CountsItsUsers) {
    Device device;
    fakewinmm::Scope scope(&device);
    WaveDeviceListAcquire(nullptr);
    WaveDeviceListAcquire(nullptr);
    uint32_t count = RecordListCount(WaveDeviceList());
    EXPECT_EQ(count, 5u); // mapper + 1 input, mapper + 2 outputs
    WaveDeviceListRelease();
    EXPECT_EQ(RecordListCount(WaveDeviceList()), count);
    WaveDeviceListRelease();
    EXPECT_EQ(RecordListCount(WaveDeviceList()), 0u);
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
    EXPECT_EQ(f.driver.bytesPerBuffer, 17632u);
    for (const Case& c : cases) {
        EXPECT_EQ(SetFormatAndLatency(&f.driver, &kProgramStreamFormat, c.latency), 1);
        EXPECT_EQ(WaveGetFramesPerBuffer(&f.driver), c.frames) << c.latency;
        EXPECT_EQ(WaveGetBytesPerBuffer(&f.driver), c.bytes) << c.latency;
    }
    StreamFormat bad = {44100, 2, 3};
    EXPECT_EQ(SetFormatAndLatency(&f.driver, &bad, 0.1f), 0);
    EXPECT_EQ(SetFormatAndLatency(nullptr, &kProgramStreamFormat, 0.1f), 0);
}

// ---- Output transfers on the fake device ----

TEST(WaveDriver, ThirdTransferWaitsForAReturnedBuffer) {
    FakeDriver f;
    SetFormatAndLatency(&f.driver, &kProgramStreamFormat, 0.02f);
    f.OpenPrepared();
    std::vector<unsigned char> pcm(f.driver.bytesPerBuffer, 0x5a);
    EXPECT_EQ(f.driver.ops.Transfer(&f.driver, pcm.data()), 0);
    EXPECT_EQ(f.driver.ops.Transfer(&f.driver, nullptr), 0);
    EXPECT_EQ(WaveQueued(&f.driver), 2);
    auto third = std::async(std::launch::async,
                            [&] { return f.driver.ops.Transfer(&f.driver, pcm.data()); });
    EXPECT_EQ(third.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    ASSERT_TRUE(f.device.Complete());
    ASSERT_EQ(third.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(third.get(), 0);
    EXPECT_EQ(WaveQueued(&f.driver), 2);

    ASSERT_EQ(f.device.written.size(), 3u);
    EXPECT_EQ(f.device.written[0].bytes, pcm);
    EXPECT_EQ(f.device.written[1].bytes, std::vector<unsigned char>(pcm.size(), 0))
        << "a null buffer plays silence";
    // Slots rotate: three different headers.
    EXPECT_NE(f.device.written[0].header, f.device.written[1].header);
    EXPECT_NE(f.device.written[1].header, f.device.written[2].header);
}

TEST(WaveDriver, RequestStopWakesAWaitingTransfer) {
    FakeDriver f;
    f.OpenPrepared();
    f.driver.ops.Transfer(&f.driver, nullptr);
    f.driver.ops.Transfer(&f.driver, nullptr);
    auto third = std::async(std::launch::async,
                            [&] { return f.driver.ops.Transfer(&f.driver, nullptr); });
    EXPECT_EQ(third.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    RequestStop(&f.driver);
    ASSERT_EQ(third.wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

TEST(WaveDriver, RefusedBuffers) {
    struct Case {
        uint32_t lostDetection;
        int result;
        const char* text;
    } cases[] = {{0, 0, ""}, {1, -1, "Driver Communication lost..."}};
    for (const Case& c : cases) {
        FakeDriver f;
        f.OpenPrepared();
        SetLostDetection(&f.driver, c.lostDetection);
        ASSERT_EQ(f.driver.ops.Transfer(&f.driver, nullptr), 0);
        f.device.writeResult = MMSYSERR_NOMEM;
        EXPECT_EQ(f.driver.ops.Transfer(&f.driver, nullptr), c.result);
        EXPECT_EQ(f.driver.failureCount, 1u);
        EXPECT_EQ(WaveQueued(&f.driver), 1);
        EXPECT_STREQ(GetErrorText(&f.driver), c.text);
        f.device.writeResult = MMSYSERR_NOERROR;
        EXPECT_EQ(f.driver.ops.Transfer(&f.driver, nullptr), c.result);
        if (c.lostDetection) {
            EXPECT_EQ(f.driver.lost, 1u);
            EXPECT_EQ(f.device.written.size(), 2u) << "a lost driver writes nothing";
        } else {
            ASSERT_EQ(f.device.written.size(), 3u);
            EXPECT_EQ(f.device.written[2].header, f.device.written[1].header)
                << "the refused slot is used again";
        }
    }
}

TEST(WaveDriver, RepeatedStateChangesDoNothing) {
    FakeDriver f;
    f.OpenPrepared();
    int opens = f.device.opens, prepares = f.device.prepares;
    EXPECT_EQ(f.driver.ops.Open(&f.driver), 0);
    EXPECT_EQ(f.driver.ops.Prepare(&f.driver), 0);
    EXPECT_EQ(f.device.opens, opens);
    EXPECT_EQ(f.device.prepares, prepares);
    int pauses = f.device.pauses, resets = f.device.resets;
    f.driver.ops.Stop(&f.driver);
    EXPECT_EQ(f.device.pauses, pauses);
    EXPECT_EQ(f.device.resets, resets);
}

TEST(WaveDriver, RefusedStartLeavesRunningSoStopStillResets) {
    FakeDriver f;
    f.OpenPrepared();
    f.device.restartResult = MMSYSERR_NOTSUPPORTED;
    EXPECT_EQ(f.driver.ops.Start(&f.driver), -1);
    EXPECT_EQ(f.driver.running, 1u);
    EXPECT_STRNE(GetErrorText(&f.driver), "");
    int resets = f.device.resets;
    f.driver.ops.Stop(&f.driver);
    EXPECT_EQ(f.device.resets, resets + 1);
    EXPECT_EQ(f.driver.running, 0u);
}

TEST(WaveDriver, FailedPreparationLeavesNoSlot) {
    struct Case {
        int failAllocAt;
        int failPrepareAt;
    } cases[] = {{0, -1}, {5, -1}, {7, -1}, {-1, 0}, {-1, 2}};
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
        EXPECT_EQ(f.driver.ops.Transfer(&f.driver, nullptr), -1);
        // The next attempt succeeds.
        f.device.failAllocAt = f.device.failPrepareAt = -1;
        EXPECT_EQ(f.driver.ops.Prepare(&f.driver), 0);
    }
}

TEST(WaveDriver, RefusedOpenReportsTheErrorCode) {
    FakeDriver f;
    f.device.openResult = MMSYSERR_ALLOCATED;
    EXPECT_EQ(f.driver.ops.Open(&f.driver), int(MMSYSERR_ALLOCATED));
    EXPECT_EQ(f.driver.open, 0u);
    EXPECT_STREQ(GetErrorText(&f.driver), "fake device error 4");
    EXPECT_EQ(f.driver.ops.Prepare(&f.driver), -1);
    EXPECT_EQ(f.driver.ops.Start(&f.driver), -1);
}

// ---- Input ----

TEST(WaveDriver, InputDeliversFilledBuffersInOrder) {
    FakeDriver f(kWaveInput);
    SetFormatAndLatency(&f.driver, &kProgramStreamFormat, 0.02f);
    f.OpenPrepared();
    ASSERT_EQ(f.driver.ops.Start(&f.driver), 0);
    std::vector<unsigned char> got(f.driver.bytesPerBuffer, 0xee);
    EXPECT_EQ(f.driver.ops.Transfer(&f.driver, got.data()), 0);
    EXPECT_EQ(got, std::vector<unsigned char>(got.size(), 0)) << "nothing captured yet";
    EXPECT_EQ(f.driver.ops.Transfer(&f.driver, got.data()), 0);
    // Both come back before the reader looks: each marks its own slot.
    ASSERT_TRUE(f.device.Complete());
    ASSERT_TRUE(f.device.Complete());
    EXPECT_EQ(f.driver.ops.Transfer(&f.driver, got.data()), 0);
    EXPECT_EQ(got[0], 1); // slot 0
    EXPECT_EQ(f.driver.ops.Transfer(&f.driver, got.data()), 0);
    EXPECT_EQ(got[0], 2); // slot 1
}

// ---- The real device under the test environment ----

TEST(WaveDriverReal, TransfersPaceToTheDevice) {
    if (!InTestEnvironment()) GTEST_SKIP() << "needs the test environment's sound server";
    WaveDeviceListAcquire(nullptr);
    WaveDriver driver;
    ASSERT_EQ(WaveDriverInit(&driver, kWaveOutput), 1);
    SetFormatAndLatency(&driver, &kProgramStreamFormat, 0.1f);
    ASSERT_EQ(driver.ops.Open(&driver), 0) << GetErrorText(&driver);
    ASSERT_EQ(driver.ops.Prepare(&driver), 0) << GetErrorText(&driver);
    ASSERT_EQ(driver.ops.Start(&driver), 0) << GetErrorText(&driver);
    auto t0 = Clock::now();
    EXPECT_EQ(driver.ops.Transfer(&driver, nullptr), 0);
    EXPECT_EQ(driver.ops.Transfer(&driver, nullptr), 0);
    auto two = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
    EXPECT_EQ(driver.ops.Transfer(&driver, nullptr), 0);
    auto three = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
    EXPECT_LT(two, 50) << "the first two return at once";
    EXPECT_GT(three, 40) << "the third waits for a returned buffer";
    EXPECT_LT(three, 1000);
    driver.ops.Stop(&driver);
    EXPECT_EQ(WaveQueued(&driver), 0) << "reset returns every buffer";
    driver.ops.Unprepare(&driver);
    driver.ops.Close(&driver);
    EXPECT_EQ(driver.open, 0u);
    WaveDriverDestroy(&driver);
    WaveDeviceListRelease();
}

} // namespace
