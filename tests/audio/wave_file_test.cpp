#include "audio/wave_file.h"
#include "tests/support/wave_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

// The 16 standard "fmt " bytes of 16-bit integer PCM, cut or zero-extended to `length`.
Bytes Fmt(uint16_t channels, uint32_t rate, uint16_t align, size_t length = 16,
          uint16_t storedBits = 16) {
    return FmtChunk(FmtFields{1, channels, rate, align, storedBits, 0, 0, 1, false, length});
}
const Bytes kStereoFmt = Fmt(2, 44100, 4);

struct OpenedWave {
    ScratchDir dir;
    WaveFile file = {};
    int result = -1;
    explicit OpenedWave(const Bytes& bytes) {
        std::string path = dir.file("t.wav");
        EXPECT_TRUE(WriteAll(path, bytes));
        result = WaveFileOpen(&file, path.c_str());
    }
    ~OpenedWave() { WaveFileClose(&file); }
};

const Bytes kData = Chunk("data", Frames(10, 4));
const Bytes kWave = Riff(Cat({kStereoFmt, kData}));

TEST(WaveFileOpen, ChunkLayouts) {
    struct Case {
        const char* name;
        Bytes bytes;
        int result;
        uint32_t dataOffset = 0, dataSize = 0, dataLength = 0;
        uint16_t bits = 0;
    };
    const Bytes odd = Chunk("LIST", Bytes{1, 2, 3});
    const Bytes oddNoPad = Chunk("LIST", Bytes{1, 2, 3}, false);
    const Case cases[] = {
        {"canonical", kWave, 0, 44, 40, 10, 16},
        {"fmt 18", Riff(Cat({Fmt(2, 44100, 4, 18), kData})), 0, 46, 40, 10, 16},
        {"fmt 14", Riff(Cat({Fmt(2, 44100, 4, 14), kData})), 0, 42, 40, 10, 16},
        {"fmt 0", Riff(Cat({Chunk("fmt ", Bytes{}), kData})), 4},
        {"fmt huge", Riff(Cat({Chunk("fmt ", 0xFFFFFFF0u, FmtBody(FmtFields{})), kData})), 5},
        {"odd chunk padded", Riff(Cat({odd, kStereoFmt, kData})), 0, 56, 40, 10, 16},
        {"odd chunk unpadded", Riff(Cat({oddNoPad, kStereoFmt, kData})), 4},
        {"data before fmt", Riff(Cat({kData, kStereoFmt})), 5},
        {"riff size max", Riff(Cat({kStereoFmt, kData}), 0xFFFFFFFF), 0, 44, 40, 10, 16},
        {"riff ends before data", Riff(Cat({kStereoFmt, kData}), 28), 5},
        {"empty data at the end", Riff(Cat({kStereoFmt, Chunk("data", Bytes{})})), 0, 44, 0, 0, 16},
        {"empty", Bytes{}, 3},
        {"data larger than file", Riff(Cat({kStereoFmt, Chunk("data", 4000, Frames(10, 4))})), 0,
         44, 4000, 1000, 16},
        {"partial last frame", Riff(Cat({kStereoFmt, Chunk("data", Cut(Frames(11, 4), 42))})), 0,
         44, 42, 10, 16},
        {"0 channels", Riff(Cat({Fmt(0, 44100, 4), kData})), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenedWave w(c.bytes);
        EXPECT_EQ(w.result, c.result);
        if (c.result != 0) {
            EXPECT_EQ(w.file.handle, nullptr);
            continue;
        }
        EXPECT_EQ(w.file.read, &WaveFileRead);
        EXPECT_EQ(w.file.dataOffset, c.dataOffset);
        EXPECT_EQ(w.file.dataSize, c.dataSize);
        EXPECT_EQ(w.file.dataLength, c.dataLength);
        EXPECT_EQ(w.file.format.bitsPerSample, c.bits);
        EXPECT_EQ(w.file.position, 0);
    }
}

// A path with no room for its NUL in the record is refused, also when the
// file exists (made natively: Windows paths stop near 260 characters).
TEST(WaveFileOpen, LongPathRefused) {
    ScratchDir dir;
    std::vector<std::string> paths = {dir.path() + "/" + std::string(kWavePathSize, 'a')};
#if !defined(_WIN32)
    std::string full = dir.path();
    while (full.size() + 201 < size_t(kWavePathSize)) {
        full += "/" + std::string(200, 'd');
        std::filesystem::create_directory(full);
    }
    full += "/" + std::string(kWavePathSize - full.size() - 1, 'a');
    ASSERT_TRUE(WriteAll(full, kWave));
    paths.push_back(full);
#endif
    for (const std::string& path : paths) {
        WaveFile file;
        EXPECT_EQ(WaveFileOpen(&file, path.c_str()), 2) << path.size();
        EXPECT_EQ(file.handle, nullptr);
    }
}

TEST(WaveFileRead, LeadSilenceDataAndTailSilence) {
    // 100 frames, and a file that ends 2 bytes into its 11th frame although
    // its data chunk claims 1000.
    OpenedWave whole(Riff(Cat({kStereoFmt, Chunk("data", Frames(100, 4))})));
    OpenedWave cut(Riff(Cat({kStereoFmt, Chunk("data", 4000, Cut(Frames(11, 4), 42))})));
    ASSERT_EQ(whole.result, 0);
    ASSERT_EQ(cut.result, 0);
    struct Case {
        OpenedWave& w;
        int64_t position;
        uint32_t byteCount;
        int64_t fileFrames; // whole frames the file holds
    } cases[] = {
        {whole, -5, 800, 100}, {whole, 98, 23, 100}, {whole, -500, 800, 100}, {cut, 0, 48, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        Bytes buffer(c.byteCount + 8, 0xAA);
        c.w.file.position = c.position;
        EXPECT_EQ(WaveFileRead(&c.w.file, buffer.data(), c.byteCount), 0);
        const uint32_t frames = c.byteCount / 4;
        for (uint32_t k = 0; k < frames * 4; ++k) {
            const int64_t i = c.position + k / 4;
            ASSERT_EQ(buffer[k], i >= 0 && i < c.fileFrames ? FrameByte(i, k % 4, 4) : 0) << k;
        }
        for (size_t b = frames * 4; b < buffer.size(); ++b) ASSERT_EQ(buffer[b], 0xAA) << b;
        EXPECT_EQ(c.w.file.position, c.position + frames);
    }
}

TEST(WaveFileSeek, MillisecondsToFrames) {
    struct Case {
        uint32_t rate;
        int64_t ms;
        int64_t position;
    } cases[] = {
        {44100, 1000, 44100},
        {44100, 999, 44055}, // 44055.9, truncated
        {44100, -1, -44},
        {0xFFFFFFFF, 2147483648000, 9223372034707292160},
        {0xFFFFFFFF, 2147483648999, INT64_MAX}, // the fraction tips it over
    };
    for (const Case& c : cases) {
        WaveFile file = {};
        file.format.sampleRate = c.rate;
        file.position = 77;
        WaveFileSeek(&file, c.ms);
        EXPECT_EQ(file.position, c.position) << c.rate << " " << c.ms;
    }
}

TEST(WaveFileFormat, OnlySixteenBitStereoAt44100IsAccepted) {
    struct Case {
        uint16_t channels;
        uint32_t rate;
        uint16_t align, storedBits;
        int accepted;
    } cases[] = {{2, 44100, 4, 24, 1},
                 {1, 44100, 2, 16, 0},
                 {2, 48000, 4, 16, 0},
                 {2, 44100, 5, 16, 0}}; // 5 / 2 bytes would pass for 16 bits
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " " << c.rate << " " << c.align);
        OpenedWave w(Riff(Cat({Fmt(c.channels, c.rate, c.align, 16, c.storedBits),
                               Chunk("data", Frames(4, c.align))})));
        ASSERT_EQ(w.result, 0);
        EXPECT_EQ(WaveFileFormatAccepted(&w.file), c.accepted);
    }
}

// The search reads its chunk headers a buffer at a time: 256 MB of zeros are
// 32 million empty chunks before the RIFF chunk, one read each took minutes
// (a long stretch of silence in a large file looks the same).
TEST(WaveFileOpen, RiffFoundAfterLongRunOfEmptyChunks) {
    ScratchDir dir;
    const std::string path = dir.file("zeros.wav");
    const long zeros = 256L << 20;
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fseek(f, zeros, SEEK_SET), 0); // a hole: no disk written
    ASSERT_EQ(fwrite(kWave.data(), 1, kWave.size(), f), kWave.size());
    ASSERT_EQ(fclose(f), 0);
    WaveFile file = {};
    ASSERT_EQ(WaveFileOpen(&file, path.c_str()), kWaveOpened);
    EXPECT_EQ(file.dataOffset, uint32_t(zeros) + 44);
    EXPECT_EQ(file.dataLength, 10u);
    WaveFileClose(&file);
}

} // namespace
