#include "audio/sound_file.h"
#include "audio/sound_others.h"
#include "sys/file_offset.h"
#include "sys/file_path.h"
#include "tests/support/wave_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

using Fmt = FmtFields;

const Bytes kStereo = FmtChunk(Fmt{});
const Bytes kData = Chunk("data", Frames(10, 4));

struct Opened {
    ScratchDir dir;
    std::string path;
    SoundFile file;
    int result = -1;
    explicit Opened(const Bytes& bytes, const SoundOtherOps* others = nullptr)
        : path(dir.file("t.wav")) {
        EXPECT_TRUE(WriteAll(path, bytes));
        result = SoundFileOpen(&file, path.c_str(), others);
    }
    ~Opened() { SoundFileClose(&file); }
};

uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

TEST(SoundFileOpen, ChunkLayoutsAndSizes) {
    struct Case {
        const char* name;
        Bytes bytes;
        int result;
        uint64_t dataOffset = 0, dataSize = 0, framesClaimed = 0, frames = 0;
        uint8_t container = kSoundRiff;
        uint64_t riffSize = 0; // checked when not 0
        uint64_t ds64Samples = 0;
    };
    const Bytes odd = Chunk("LIST", Bytes{1, 2, 3});
    const Bytes big = Chunk("data", 0xFFFFFFFF, Frames(10, 4));
    // A chunk whose size only the ds64 table knows, before the format.
    Bytes table;
    PutTag(table, "junk");
    PutU64(table, 6);
    const Bytes junk = Chunk("junk", 0xFFFFFFFF, Bytes(6, 0xEE));
    const Case cases[] = {
        {"canonical", Riff(Cat({kStereo, kData})), 0, 44, 40, 10, 10},
        {"data before fmt", Riff(Cat({kData, kStereo})), 0, 20, 40, 10, 10},
        {"odd chunk padded", Riff(Cat({odd, kStereo, kData})), 0, 56, 40, 10, 10},
        {"odd chunk unpadded", Riff(Cat({Chunk("LIST", Bytes{1, 2, 3}, false), kStereo, kData})),
         kSoundBadFormat},
        {"trailing junk", Cat({Riff(Cat({kStereo, kData})), Bytes(77, 0x55)}), 0, 44, 40, 10, 10},
        {"riff size max", Riff(Cat({kStereo, kData}), 0xFFFFFFFF), 0, 44, 40, 10, 10, kSoundRiff,
         0xFFFFFFFF},
        {"riff ends before data", Riff(Cat({kStereo, kData}), 28), kSoundNoData},
        {"claims more than the file holds",
         Riff(Cat({kStereo, Chunk("data", 4000, Frames(10, 4))})), 0, 44, 4000, 1000, 10},
        {"claims 4 GiB", Riff(Cat({kStereo, big})), 0, 44, 0xFFFFFFFF, 0x3FFFFFFF, 10},
        {"partial last frame", Riff(Cat({kStereo, Chunk("data", Cut(Frames(11, 4), 42))})), 0, 44,
         42, 10, 10},
        {"partial frame where the file ends",
         Riff(Cat({kStereo, Chunk("data", 400, Cut(Frames(11, 4), 42), false)})), 0, 44, 400, 100,
         10},
        {"RF64 sizes from ds64",
         Form("RF64", Cat({Ds64(5000000000, 40, 10), kStereo, big}), 0xFFFFFFFF), 0, 80, 40, 10, 10,
         kSoundRf64, 5000000000, 10},
        {"RF64 data size stored", Form("RF64", Cat({Ds64(80, 99, 10), kStereo, kData}), 0xFFFFFFFF),
         0, 80, 40, 10, 10, kSoundRf64, 80, 10},
        {"RF64 claims 6 GiB", Form("RF64", Cat({Ds64(1, 6ull << 30, 7), kStereo, big})), 0, 80,
         6ull << 30, (6ull << 30) / 4, 10, kSoundRf64, 0, 7},
        {"BW64 with a ds64 table",
         Form("BW64", Cat({Ds64(200, 40, 10, table, 1), junk, kStereo, big}), 0xFFFFFFFF), 0, 106,
         40, 10, 10, kSoundBw64, 200, 10},
        {"RF64 table longer than ds64", Form("RF64", Cat({Ds64(200, 40, 10, {}, 9), kStereo, big})),
         0, 80, 40, 10, 10, kSoundRf64, 0, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Opened w(c.bytes);
        ASSERT_EQ(w.result, c.result) << w.file.why;
        if (c.result != kSoundOpened) continue;
        EXPECT_EQ(w.file.container, c.container);
        EXPECT_EQ(w.file.dataOffset, c.dataOffset);
        EXPECT_EQ(w.file.dataSize, c.dataSize);
        EXPECT_EQ(w.file.framesClaimed, c.framesClaimed);
        EXPECT_EQ(w.file.frames, c.frames);
        EXPECT_EQ(w.file.truncated, c.frames < c.framesClaimed);
        if (c.riffSize) {
            EXPECT_EQ(w.file.riffSize, c.riffSize);
        }
        EXPECT_EQ(w.file.ds64Samples, c.ds64Samples);
    }
}

// Each check of the format, with the line that names what was found.
TEST(SoundFileOpen, UnsupportedFormatsAreNamed) {
    const auto ext = [](uint16_t sub, uint16_t bits, uint16_t valid, size_t length = 0) {
        Fmt f = Extensible(sub, 2, bits, valid);
        f.length = length;
        return f;
    };
    Fmt foreign = Extensible(1, 2, 16, 0);
    foreign.foreignGuid = true;
    const struct Case {
        Fmt fmt;
        const char* why; // after "unsupported format "
    } cases[] = {
        {{2, 1, 8000, 256, 4},
         "(tag 0x0002, 4 bits, 8000 Hz, 1 channel): not integer PCM or IEEE float"},
        {{1, 0, 44100, 4, 16}, "(tag 0x0001, 16 bits, 44100 Hz, 0 channels): no channels"},
        {{1, 9, 44100, 18, 16},
         "(tag 0x0001, 16 bits, 44100 Hz, 9 channels): more than 8 channels"},
        {{3, 1, 384001, 4, 32},
         "(tag 0x0003, 32 bits, 384001 Hz, 1 channel): rates run from 8000 to 384000 Hz"},
        {{1, 1, 7999, 2, 16},
         "(tag 0x0001, 16 bits, 7999 Hz, 1 channel): rates run from 8000 to 384000 Hz"},
        {{1, 2, 44100, 4, 0}, "(tag 0x0001, 0 bits, 44100 Hz, 2 channels): no sample width"},
        {{1, 2, 44100, 5, 16},
         "(tag 0x0001, 16 bits, 44100 Hz, 2 channels): block align 5 is not whole bytes per "
         "channel"},
        {{1, 1, 48000, 4, 24},
         "(tag 0x0001, 24 bits, 48000 Hz, 1 channel): block align 4 is not 1 x 3 bytes"},
        {{1, 1, 48000, 5, 40},
         "(tag 0x0001, 40 bits, 48000 Hz, 1 channel): integer samples wider than 32 bits"},
        {{3, 1, 48000, 2, 16},
         "(tag 0x0003, 16 bits, 48000 Hz, 1 channel): float samples of neither 32 nor 64 bits"},
        {ext(1, 16, 0, 18), "(tag 0xFFFE, 16 bits, 44100 Hz, 2 channels): extensible format chunk "
                            "shorter than 40 bytes"},
        {ext(6, 16, 0), "(tag 0xFFFE, sub-format 0x0006, 16 bits, 44100 Hz, 2 channels): not "
                        "integer PCM or IEEE float"},
        {foreign, "(tag 0xFFFE, sub-format {00000001-0000-0010-8000-00AA00389B8E}, 16 bits, 44100 "
                  "Hz, 2 channels): not integer PCM or IEEE float"},
        {ext(1, 16, 17), "(tag 0xFFFE, sub-format 0x0001, 16 bits, 44100 Hz, 2 channels): 17 valid "
                         "bits in 16-bit samples"},
        {ext(3, 32, 24), "(tag 0xFFFE, sub-format 0x0003, 32 bits, 44100 Hz, 2 channels): float "
                         "samples with fewer valid bits"},
    };
    for (const Case& c : cases) {
        Opened w(Riff(Cat({FmtChunk(c.fmt), kData})));
        EXPECT_EQ(w.result, kSoundUnsupported);
        EXPECT_EQ(w.file.why, "unsupported format " + std::string(c.why));
        EXPECT_EQ(w.file.handle, nullptr); // nothing stays open or allocated
        EXPECT_EQ(w.file.raw, nullptr);
    }
}

TEST(SoundFileOpen, BrokenContainersAreRefused) {
    Fmt shortFmt;
    shortFmt.length = 14;
    const struct Case {
        Bytes bytes;
        int result;
        const char* why;
    } cases[] = {
        {Bytes{}, kSoundNotWave, "not a WAVE file"},
        {Bytes{'f', 'L', 'a', 'C', 0, 0, 0, 34}, kSoundNotWave, "not a WAVE file"},
        {Chunk("RIFF", Cat({Bytes{'A', 'V', 'I', ' '}, kData})), kSoundNotWave, "not a WAVE file"},
        {Form("RF64", Cat({kStereo, kData})), kSoundBadFormat,
         "RF64 file without a usable ds64 chunk"},
        {Form("BW64", Cat({Chunk("ds64", Bytes(27, 0)), kStereo, kData})), kSoundBadFormat,
         "BW64 file without a usable ds64 chunk"},
        {Riff(Cat({FmtChunk(shortFmt), kData})), kSoundBadFormat,
         "no usable format chunk (14 bytes)"},
        {Riff(kData), kSoundBadFormat, "no format chunk"},
        {Riff(kStereo), kSoundNoData, "no data chunk"},
    };
    for (const Case& c : cases) {
        Opened w(c.bytes);
        EXPECT_EQ(w.result, c.result) << c.why;
        EXPECT_STREQ(w.file.why, c.why);
        EXPECT_EQ(w.file.handle, nullptr);
    }
    SoundFile file;
    EXPECT_EQ(SoundFileOpen(&file, "/no/such/folder/t.wav", nullptr), kSoundNoFile);
    EXPECT_STREQ(file.why, "cannot open the file");
}

// Each encoding's extremes and a few values in between, compared bit for bit.
TEST(SoundFileRead, EveryEncodingDecodesExactly) {
    const auto le = [](std::initializer_list<int64_t> values, int bytes) {
        Bytes b;
        for (int64_t v : values)
            for (int i = 0; i < bytes; ++i)
                b.push_back(uint8_t(uint64_t(v) >> (8 * i)));
        return b;
    };
    const auto f64 = [](std::initializer_list<double> values) {
        Bytes b;
        for (double v : values) {
            uint64_t u;
            std::memcpy(&u, &v, sizeof u);
            PutU64(b, u);
        }
        return b;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const double dinf = std::numeric_limits<double>::infinity();
    const struct Case {
        const char* kind;
        Fmt fmt;
        Bytes samples;
        std::vector<float> expected;
        uint64_t invalid;
    } cases[] = {
        {"WAVE 8-bit PCM",
         {1, 1, 8000, 1, 8},
         Bytes{0, 128, 255, 1, 129, 64},
         {-1.0f, 0.0f, 0.9921875f, -0.9921875f, 0.0078125f, -0.5f},
         0},
        {"WAVE 16-bit PCM",
         {1, 2, 44100, 4, 16},
         le({-32768, 32767, 0, 1, -1, 16384}, 2),
         {-1.0f, 0.999969482421875f, 0.0f, 3.0517578125e-05f, -3.0517578125e-05f, 0.5f},
         0},
        {"WAVE 24-bit PCM",
         {1, 3, 96000, 9, 24},
         le({-8388608, 8388607, 1, -1, 0, 4194304}, 3),
         {-1.0f, 0.99999988079071044921875f, 1.1920928955078125e-07f, -1.1920928955078125e-07f,
          0.0f, 0.5f},
         0},
        // 2^31 - 1 rounds to 2^31 as a float: full scale positive reads as 1.0.
        {"WAVE 32-bit PCM",
         {1, 1, 192000, 4, 32},
         le({INT32_MIN, INT32_MAX, 1, -256, 0x40000000, 0x12345678}, 4),
         {-1.0f, 1.0f, 4.656612873077392578125e-10f, -1.1920928955078125e-07f, 0.5f,
          0.142222225666046142578125f},
         0},
        {"WAVE 32-bit PCM (24 valid)",
         Extensible(1, 1, 32, 24),
         le({int64_t(0x7FFFFF00), INT32_MIN}, 4),
         {0.99999988079071044921875f, -1.0f},
         0},
        {"WAVE 32-bit float",
         {3, 2, 48000, 8, 32},
         Float32({1.5f, -2.0f, nan, 1e-40f, inf, -inf, -0.0f, 0.25f}),
         {1.5f, -2.0f, 0.0f, 1e-40f, 0.0f, 0.0f, -0.0f, 0.25f},
         3},
        {"WAVE 64-bit float",
         {3, 1, 48000, 8, 64},
         f64({0.1, -3.0, 1e300, -dinf, std::nan(""), 1.0000000596046448}),
         {0.1f, -3.0f, 0.0f, 0.0f, 0.0f, 1.0f},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        Opened w(Riff(Cat({FmtChunk(c.fmt), Chunk("data", c.samples)})));
        ASSERT_EQ(w.result, kSoundOpened) << w.file.why;
        EXPECT_STREQ(w.file.kind, c.kind);
        const uint32_t frames = uint32_t(c.expected.size() / c.fmt.channels);
        ASSERT_EQ(w.file.frames, frames);
        std::vector<float> out(c.expected.size() + 4, 9.0f);
        EXPECT_EQ(SoundFileRead(&w.file, 0, out.data(), frames + 1), frames);
        for (size_t i = 0; i < out.size(); ++i)
            EXPECT_EQ(Bits(out[i]), Bits(i < c.expected.size() ? c.expected[i] : 9.0f)) << i;
        EXPECT_EQ(w.file.invalidSamples, c.invalid);
        // Read again: the count is of samples read, so it doubles.
        SoundFileRead(&w.file, 0, out.data(), frames);
        EXPECT_EQ(w.file.invalidSamples, 2 * c.invalid);
    }
}

// Sample value of frame i, channel c in the read tests: 16-bit, never 0,
// a third of them negative.
int16_t Value(uint64_t i, int c) {
    const int v = 1 + int((i * 7 + uint64_t(c) * 3001) % 30011);
    return int16_t((i + uint64_t(c)) % 3 ? v : -v);
}
Bytes Samples16(uint64_t frames, int channels) {
    Bytes b;
    for (uint64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            PutU16(b, uint16_t(Value(i, c)));
    return b;
}

// Blocks read out of order, across the ends and across the read buffer's
// pieces (40000 frames of 4 bytes is more than one 64 KiB piece).
TEST(SoundFileRead, ByFramePosition) {
    const uint64_t n = 40000;
    Opened whole(Riff(Cat({kStereo, Chunk("data", Samples16(n, 2))})));
    Opened cut(
        Riff(Cat({kStereo, Chunk("data", 4 * n, Cut(Samples16(n, 2), 4 * 100 + 2), false)})));
    ASSERT_EQ(whole.result, kSoundOpened);
    ASSERT_EQ(cut.result, kSoundOpened);
    ASSERT_TRUE(cut.file.truncated);
    struct Case {
        SoundFile* file;
        uint64_t at;
        uint32_t count, delivered;
    } cases[] = {
        {&whole.file, 30000, 4408, 4408}, {&whole.file, 0, 40000, 40000},
        {&whole.file, 100, 1, 1},         {&whole.file, 39990, 4408, 10},
        {&whole.file, 40000, 4408, 0},    {&whole.file, UINT64_MAX, 4408, 0},
        {&whole.file, 5, 0, 0},           {&cut.file, 90, 4408, 10}, // no padding past frame 100
        {&cut.file, 100, 4408, 0},
    };
    std::vector<float> out(2 * 40000 + 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at << " " << c.count);
        std::fill(out.begin(), out.end(), 9.0f);
        EXPECT_EQ(SoundFileRead(c.file, c.at, out.data(), c.count), c.delivered);
        for (uint32_t k = 0; k < 2 * c.delivered; ++k)
            ASSERT_EQ(out[k], float(Value(c.at + k / 2, k % 2)) / 32768.0f) << k;
        for (size_t k = 2 * c.delivered; k < out.size(); ++k)
            ASSERT_EQ(out[k], 9.0f) << k; // nothing written past the frames delivered
    }
    EXPECT_EQ(SoundFileRead(nullptr, 0, out.data(), 1), 0u);
    EXPECT_EQ(SoundFileRead(&whole.file, 0, nullptr, 1), 0u);
    SoundFileClose(&whole.file);
    EXPECT_EQ(SoundFileRead(&whole.file, 0, out.data(), 1), 0u);
}

// An RF64 file of 5 GiB, sparse where the file system allows: frames past
// 4 GiB are found at their 64-bit offsets.
TEST(SoundFileRead, RF64BeyondFourGiB) {
    ScratchDir dir;
    const std::string path = dir.file("big.wav");
    const uint64_t dataBytes = 5ull << 30;
    const uint64_t frames = dataBytes / 4;
    const Bytes head =
        Form("RF64",
             Cat({Ds64(72 + dataBytes, dataBytes, frames), kStereo, Chunk("data", 0xFFFFFFFF, {})}),
             0xFFFFFFFF);
    const uint64_t far = frames - 1000; // byte offset above 4 GiB
    const Bytes tail = Samples16(1000, 2);
    std::FILE* f = FileOpen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    bool written = std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
                   FileSeekTo(f, 80 + far * 4) &&
                   std::fwrite(tail.data(), 1, tail.size(), f) == tail.size();
    written = std::fclose(f) == 0 && written;
    if (!written) GTEST_SKIP() << "cannot write a 5 GiB file here";
    SoundFile file;
    ASSERT_EQ(SoundFileOpen(&file, path.c_str(), nullptr), kSoundOpened) << file.why;
    EXPECT_EQ(file.dataOffset, 80u);
    EXPECT_EQ(file.dataSize, dataBytes);
    EXPECT_EQ(file.riffSize, 72 + dataBytes);
    EXPECT_EQ(file.ds64Samples, frames);
    EXPECT_EQ(file.frames, frames);
    EXPECT_FALSE(file.truncated);
    std::vector<float> out(2 * 1200);
    // 200 frames of the hole (zeros) then the written ones, to the end.
    EXPECT_EQ(SoundFileRead(&file, far - 200, out.data(), 1200), 1200u);
    for (uint32_t k = 0; k < 2400; ++k) {
        const float want = k < 400 ? 0.0f : float(Value(k / 2 - 200, k % 2)) / 32768.0f;
        ASSERT_EQ(out[k], want) << k;
    }
    SoundFileClose(&file);
}

TEST(SoundFileChannels, MasksAndRoles) {
    enum { F = kRoleFront, L = kRoleLfe, S = kRoleSurround, H = kRoleHeight, U = kRoleUnnamed };
    struct Case {
        const char* name;
        Fmt fmt;
        uint32_t mask;                  // channelMask as described
        int frontLeft, frontRight, lfe; // SoundFileChannelOf
        std::vector<int> roles;         // SoundFileChannelRole for 0..channels
    };
    const Case cases[] = {
        {"mono, no mask", {1, 1, 48000, 2, 16}, kSpeakerFrontCenter, -1, -1, -1, {F, U}},
        {"stereo, no mask", {1, 2, 48000, 4, 16}, 0x3, 0, 1, -1, {F, F, U}},
        {"5.1, no mask", {1, 6, 48000, 12, 16}, 0x3F, 0, 1, 3, {F, F, F, L, S, S, U}},
        {"7.1, no mask", {3, 8, 48000, 32, 32}, 0xFF, 0, 1, 3, {F, F, F, L, S, S, F, F}},
        {"5.1 side", Extensible(1, 6, 24, 24, 0x60F), 0x60F, 0, 1, 3, {F, F, F, L, S, S, U}},
        {"7.1 side", Extensible(1, 8, 16, 16, 0x63F), 0x63F, 0, 1, 3, {F, F, F, L, S, S, S, S}},
        {"mask 0 is no assignment", Extensible(1, 2, 16, 16, 0), 0x3, 0, 1, -1, {F, F}},
        {"fewer bits than channels", Extensible(1, 4, 16, 16, 0x3), 0x3, 0, 1, -1, {F, F, U, U}},
        {"more bits than channels", Extensible(1, 2, 16, 16, 0x3F), 0x3, 0, 1, -1, {F, F}},
        {"right alone, then LFE", Extensible(1, 2, 16, 16, 0xA), 0xA, -1, 0, 1, {F, L}},
        {"heights and a reserved bit",
         Extensible(1, 3, 16, 16, 0x80001800),
         0x80001800,
         -1,
         -1,
         -1,
         {H, H, U}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Opened w(Riff(Cat({FmtChunk(c.fmt), Chunk("data", Frames(2, c.fmt.align))})));
        ASSERT_EQ(w.result, kSoundOpened) << w.file.why;
        EXPECT_EQ(w.file.channelMask, c.mask);
        EXPECT_EQ(SoundFileChannelOf(&w.file, kSpeakerFrontLeft), c.frontLeft);
        EXPECT_EQ(SoundFileChannelOf(&w.file, kSpeakerFrontRight), c.frontRight);
        EXPECT_EQ(SoundFileChannelOf(&w.file, kSpeakerLowFrequency), c.lfe);
        for (size_t k = 0; k < c.roles.size(); ++k)
            EXPECT_EQ(SoundFileChannelRole(&w.file, int(k)), c.roles[k]) << k;
        EXPECT_EQ(SoundFileChannelRole(&w.file, -1), kRoleUnnamed);
    }
}

// Other containers go to the build's table: the Windows build says where
// they are read; natively libsndfile says what it found.
TEST(SoundFileOpen, NonWaveInThisBuild) {
    Opened w(Bytes{'f', 'L', 'a', 'C', 0, 0, 0, 0}, SoundOtherReaders());
    EXPECT_EQ(w.result, kSoundNotWave);
    Opened bad(Riff(kData), SoundOtherReaders()); // the WAVE family is never handed on
    EXPECT_EQ(bad.result, kSoundBadFormat);
#if defined(_WIN32)
    EXPECT_STREQ(w.file.why, "not a WAVE file (this build reads only WAVE; FLAC, AIFF, Ogg and "
                             "others need the Linux build)");
#else
    EXPECT_EQ(std::string(w.file.why).rfind("not a WAVE file, nor one libsndfile reads (", 0), 0u)
        << w.file.why;
#endif
}

} // namespace
