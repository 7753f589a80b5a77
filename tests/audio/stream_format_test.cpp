#include "audio/stream_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "audio/record_list.h"

namespace {

TEST(StreamFormat, FramesForLatency) {
    struct Case {
        uint32_t rate;
        float latency;
        uint32_t frames;
    } cases[] = {
        {44100, 0.1f, 4408}, {44100, -1.0f, 4}, {44100, NAN, 4},
        {10, 0.25f, 4},       // 2.5 frames: an exact half goes down, then at least 4
        {4, 4.375f, 16},      // 17.5 -> 17 -> 16
        {44100, 1e9f, kMaxFramesPerBuffer},
        {44100, std::numeric_limits<float>::infinity(), 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StreamFramesForLatency(c.rate, c.latency, 4), c.frames) << c.rate << " " << c.latency;
    EXPECT_EQ(StreamFramesForLatency(44100, 0.1f, 0), 4410u) << "granularity 0 counts as 1";
}

TEST(StreamFormat, SampleTypes) {
    struct Case {
        uint32_t code, bytes;
        uint16_t tag;
    } cases[] = {{1, 1, 1}, {2, 2, 1}, {4, 3, 1}, {8, 4, 3}, {16, 8, 3}, {3, 0, 0}, {0, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(StreamBytesPerSample(c.code), c.bytes) << c.code;
        EXPECT_EQ(StreamFormatTag(c.code), c.tag) << c.code;
    }
    EXPECT_EQ(StreamBytesPerFrame(&kProgramStreamFormat), 4u);
}

TEST(StreamFormat, StoredLatencyBounds) {
    struct Case {
        float value;
        int accepted;
    } cases[] = {{0.02f, 1}, {0.2f, 1}, {0.0199999f, 0}, {0.2000001f, 0}, {NAN, 0}};
    for (const Case& c : cases) EXPECT_EQ(LatencyAccepted(c.value), c.accepted) << c.value;
    for (const LatencyChoice& choice : kLatencyChoices) {
        EXPECT_EQ(LatencyChoiceForMenuId(choice.menuId), &choice);
        EXPECT_EQ(LatencyAccepted(choice.seconds), 1);
    }
    EXPECT_EQ(LatencyChoiceForMenuId(55), nullptr);
}

TEST(RecordList, AppendFetchGrow) {
    struct Case {
        uint32_t recordSize, records;
    } cases[] = {{76, 300}, {1, 9000}};
    for (const Case& c : cases) {
        RecordList list;
        ASSERT_EQ(RecordListCreate(&list, c.recordSize), 1);
        std::vector<uint8_t> record(c.recordSize);
        for (uint32_t i = 0; i < c.records; ++i) {
            std::fill(record.begin(), record.end(), static_cast<uint8_t>(i));
            ASSERT_NE(RecordListAppend(&list, record.data()), nullptr) << c.recordSize << " " << i;
        }
        EXPECT_EQ(RecordListCount(&list), c.records);
        for (uint32_t i = 1; i <= c.records; ++i) {
            const uint8_t* r = static_cast<const uint8_t*>(RecordListFetch(&list, i));
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r[0], static_cast<uint8_t>(i - 1));
            EXPECT_EQ(r[c.recordSize - 1], static_cast<uint8_t>(i - 1));
        }
        EXPECT_EQ(list.lastFetched, c.records);
        EXPECT_EQ(RecordListFetch(&list, 0), nullptr);
        EXPECT_EQ(RecordListFetch(&list, c.records + 1), nullptr);
        RecordListFree(&list);
        EXPECT_EQ(RecordListCount(&list), 0u);
        EXPECT_EQ(RecordListAppend(&list, record.data()), nullptr) << "no block after free";
    }
    RecordList list;
    EXPECT_EQ(RecordListCreate(&list, 0), 0);
    RecordListFree(&list);
}

} // namespace
