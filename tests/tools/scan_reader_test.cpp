#include "tools/scan_reader.h"

#include "tests/tools/scan_test_support.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

constexpr uint32_t kBufferBytes = 4000; // 1000 frames

// What WaveFileRead gives buffer after buffer from the start.
std::vector<uint8_t> SequentialReads(const std::string& path, uint64_t buffers) {
    WaveFile file;
    EXPECT_EQ(WaveFileOpen(&file, path.c_str()), kWaveOpened);
    std::vector<uint8_t> bytes(buffers * kBufferBytes, 0xEE);
    for (uint64_t i = 0; i < buffers; ++i)
        WaveFileRead(&file, bytes.data() + i * kBufferBytes, kBufferBytes);
    WaveFileClose(&file);
    return bytes;
}

// Takes up to `most` blocks from a started reader.
std::vector<uint8_t> Take(ScanReader* reader, uint64_t most) {
    std::vector<uint8_t> bytes;
    uint32_t n = 0;
    for (uint64_t taken = 0; taken < most; ++taken) {
        const uint8_t* block = ScanReaderNext(reader, &n);
        if (!block) break;
        bytes.insert(bytes.end(), block, block + size_t(n) * kBufferBytes);
    }
    return bytes;
}

class ScanReaderTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scantest::WriteStereoWave(path, scantest::Noise(10500, 9)));
        ASSERT_EQ(WaveFileOpen(&file, path.c_str()), kWaveOpened);
    }
    void TearDown() override {
        WaveFileClose(&file);
        ScanReaderFree(&reader);
    }
    testsupport::ScratchDir dir;
    std::string path = dir.file("in.wav");
    WaveFile file;
    ScanReader reader{};
};

// A consumer that stops early ends the read-ahead thread, and the reader
// serves the next file from its start.
TEST_F(ScanReaderTest, StoppingEarlyEndsTheThreadAndTheReaderGoesOn) {
    ASSERT_EQ(ScanReaderInit(&reader, kBufferBytes, 1), 1);
    const std::vector<uint8_t> whole = SequentialReads(path, 11);
    ScanReaderStart(&reader, &file, 11, true);
    const std::vector<uint8_t> first = Take(&reader, 2);
    ScanReaderFinish(&reader);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), whole.begin()));
    ScanReaderStart(&reader, &file, 11, true);
    EXPECT_TRUE(Take(&reader, ~0ull) == whole);
    ScanReaderFinish(&reader);
}

} // namespace
