#include "audio/wave_file.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using testsupport::PutTag;
using testsupport::PutU16;
using testsupport::PutU32;
using testsupport::ScratchDir;
using testsupport::WriteAll;

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Header with `declared` as its size, the body, a pad byte when odd and `pad`.
Bytes Chunk(const char id[4], uint32_t declared, const Bytes& body, bool pad = true) {
    Bytes out;
    PutTag(out, id);
    PutU32(out, declared);
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2) out.push_back(0);
    return out;
}
Bytes Chunk(const char id[4], const Bytes& body, bool pad = true) {
    return Chunk(id, uint32_t(body.size()), body, pad);
}

// The 16 standard "fmt " bytes, cut or zero-extended to `length`.
Bytes FmtBody(uint16_t channels, uint32_t rate, uint16_t align, size_t length = 16,
              uint16_t storedBits = 16) {
    Bytes out;
    PutU16(out, 1);
    PutU16(out, channels);
    PutU32(out, rate);
    PutU32(out, rate * align);
    PutU16(out, align);
    PutU16(out, storedBits);
    out.resize(length, 0);
    return out;
}
Bytes Fmt(uint16_t channels, uint32_t rate, uint16_t align, size_t length = 16) {
    return Chunk("fmt ", FmtBody(channels, rate, align, length));
}
const Bytes kStereoFmt = Fmt(2, 44100, 4);

// Byte j of frame i; never 0x00 or 0x80, so it cannot pass for silence.
uint8_t FrameByte(int64_t i, int j, int align) { return uint8_t(1 + (i * align + j) % 120); }
Bytes Frames(int64_t count, int align) {
    Bytes out;
    for (int64_t i = 0; i < count; ++i)
        for (int j = 0; j < align; ++j) out.push_back(FrameByte(i, j, align));
    return out;
}

// "RIFF" <size> "WAVE" <body>; the size is the true one unless given.
Bytes Riff(const Bytes& body, int64_t declared = -1, const char form[4] = "WAVE") {
    Bytes contents;
    PutTag(contents, form);
    contents.insert(contents.end(), body.begin(), body.end());
    return Chunk("RIFF", declared < 0 ? uint32_t(contents.size()) : uint32_t(declared), contents);
}

Bytes Cut(Bytes b, size_t size) {
    b.resize(size);
    return b;
}

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
        {"fmt 40", Riff(Cat({Fmt(2, 44100, 4, 40), kData})), 0, 68, 40, 10, 16},
        {"fmt 14", Riff(Cat({Fmt(2, 44100, 4, 14), kData})), 0, 42, 40, 10, 16},
        {"fmt 0", Riff(Cat({Chunk("fmt ", Bytes{}), kData})), 4},
        {"fmt huge", Riff(Cat({Chunk("fmt ", 0xFFFFFFF0u, FmtBody(2, 44100, 4)), kData})), 5},
        {"odd chunk padded", Riff(Cat({odd, kStereoFmt, kData})), 0, 56, 40, 10, 16},
        {"odd chunk unpadded", Riff(Cat({oddNoPad, kStereoFmt, kData})), 4},
        {"data before fmt", Riff(Cat({kData, kStereoFmt})), 5},
        {"riff size 0", Riff(Cat({kStereoFmt, kData}), 0), 4},
        {"riff size max", Riff(Cat({kStereoFmt, kData}), 0xFFFFFFFF), 0, 44, 40, 10, 16},
        {"riff ends before data", Riff(Cat({kStereoFmt, kData}), 28), 5},
        {"not riff", Chunk("RIFX", Cat({{'W', 'A', 'V', 'E'}, kStereoFmt, kData})), 3},
        {"empty", Bytes{}, 3},
        {"cut in riff header", Cut(kWave, 6), 3},
        {"cut in data header", Cut(kWave, 40), 5},
        {"data larger than file", Riff(Cat({kStereoFmt, Chunk("data", 4000, Frames(10, 4))})), 0,
         44, 4000, 1000, 16},
        {"data size max", Riff(Cat({kStereoFmt, Chunk("data", 0xFFFFFFFF, Frames(1, 4))})), 0, 44,
         0xFFFFFFFF, 0x3FFFFFFF, 16},
        {"partial last frame", Riff(Cat({kStereoFmt, Chunk("data", Cut(Frames(11, 4), 42))})), 0,
         44, 42, 10, 16},
        {"0 channels", Riff(Cat({Fmt(0, 44100, 4), kData})), 4},
        {"0 block align", Riff(Cat({Fmt(2, 44100, 0), kData})), 4},
        {"bits would wrap to 16", Riff(Cat({Fmt(2, 44100, 16388), kData})), 4},
        {"mono 8-bit", Riff(Cat({Fmt(1, 8000, 1), kData})), 0, 44, 40, 40, 8},
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

TEST(WaveFileOpen, RefusedPaths) {
    ScratchDir dir;
    const std::string good = dir.file("good.wav");
    ASSERT_TRUE(WriteAll(good, kWave));
    const std::string tooLong = dir.path() + "/" + std::string(kWavePathSize, 'a');
    const std::string folder = dir.path();
    const char* paths[] = {"/nonexistent-dir/x.wav", nullptr, tooLong.c_str(), folder.c_str()};
    for (const char* path : paths) {
        WaveFile file;
        memset(&file, 0x5A, sizeof file); // open must clear whatever was there
        const int result = WaveFileOpen(&file, path);
        if (path == folder.c_str()) {
            EXPECT_GT(result, 1); // refused with any code
        } else {
            EXPECT_EQ(result, 2) << (path ? path : "null");
        }
        EXPECT_EQ(file.handle, nullptr);
        EXPECT_EQ(file.position, 0);
    }
    WaveFile file;
    ASSERT_EQ(WaveFileOpen(&file, good.c_str()), 0);
    EXPECT_STREQ(file.path, good.c_str());
    WaveFileClose(&file);
    EXPECT_EQ(WaveFileOpen(nullptr, good.c_str()), 1);
}

// The file's frame `i` where it exists, silence elsewhere.
void ExpectFrames(const uint8_t* got, int64_t first, uint32_t count, int64_t available, int align,
                  uint8_t silence) {
    for (uint32_t k = 0; k < count; ++k) {
        const int64_t i = first + int64_t(k);
        for (int j = 0; j < align; ++j)
            ASSERT_EQ(got[k * align + j], i >= 0 && i < available ? FrameByte(i, j, align) : silence)
                << "frame " << i << " byte " << j;
    }
}

#if !defined(_WIN32)
// The RIFF chunk after a sparse "junk" chunk of `junkSize` bytes.
bool WriteAfterJunk(const std::string& path, uint32_t junkSize, const Bytes& riff) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    Bytes header;
    PutTag(header, "junk");
    PutU32(header, junkSize);
    bool ok = fwrite(header.data(), 1, header.size(), f) == header.size();
    ok = ok && fseeko(f, off_t(8) + junkSize + (junkSize & 1), SEEK_SET) == 0;
    ok = ok && fwrite(riff.data(), 1, riff.size(), f) == riff.size();
    return fclose(f) == 0 && ok;
}
#endif

TEST(WaveFileOpen, OffsetsAcrossFourGibibytes) {
#if defined(_WIN32)
    GTEST_SKIP() << "needs sparse files; on Windows this would write 4 GiB";
#else
    ScratchDir dir;
    const Bytes wave = Riff(Cat({kStereoFmt, Chunk("data", Frames(1000, 4))}));
    // Data starts 460 bytes below 4 GiB; frames from 115 on lie beyond.
    const std::string across = dir.file("across.wav");
    ASSERT_TRUE(WriteAfterJunk(across, 0xFFFFFE00u, wave));
    WaveFile file = {};
    ASSERT_EQ(WaveFileOpen(&file, across.c_str()), 0);
    EXPECT_EQ(file.dataOffset, 0xFFFFFE08u + 44u);
    Bytes buffer(400 * 4);
    file.position = 200;
    WaveFileRead(&file, buffer.data(), uint32_t(buffer.size()));
    ExpectFrames(buffer.data(), 200, 400, 1000, 4, 0x00);
    WaveFileClose(&file);
    // Data that would start beyond 4 GiB does not fit the record's offset.
    const std::string beyond = dir.file("beyond.wav");
    ASSERT_TRUE(WriteAfterJunk(beyond, 0xFFFFFFFEu, wave));
    EXPECT_EQ(WaveFileOpen(&file, beyond.c_str()), 5);
#endif
}

TEST(WaveFileRead, LeadSilenceDataAndTailSilence) {
    struct Case {
        int64_t position;
        uint32_t byteCount;
    } cases[] = {{-10, 20}, {-3, 40}, {95, 40}, {-5, 800}, {INT64_MIN, 40}, {98, 23}};
    OpenedWave w(Riff(Cat({kStereoFmt, Chunk("data", Frames(100, 4))})));
    ASSERT_EQ(w.result, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        Bytes buffer(c.byteCount + 8, 0xAA);
        w.file.position = c.position;
        EXPECT_EQ(WaveFileRead(&w.file, buffer.data(), c.byteCount), 0);
        const uint32_t frames = c.byteCount / 4;
        ExpectFrames(buffer.data(), c.position, frames, 100, 4, 0x00);
        for (size_t b = frames * 4; b < buffer.size(); ++b) ASSERT_EQ(buffer[b], 0xAA) << b;
        EXPECT_EQ(w.file.position, c.position + frames);
    }
    // The position stops at the top of its range.
    w.file.position = INT64_MAX - 2;
    Bytes buffer(40, 0xAA);
    WaveFileRead(&w.file, buffer.data(), 40);
    EXPECT_EQ(w.file.position, INT64_MAX);
    EXPECT_EQ(buffer, Bytes(40, 0));
    // Closed or missing files read nothing.
    WaveFileClose(&w.file);
    w.file.position = 0;
    buffer.assign(16, 0xAA);
    WaveFileRead(&w.file, buffer.data(), 16);
    WaveFileRead(nullptr, buffer.data(), 16);
    EXPECT_EQ(w.file.position, 0);
    EXPECT_EQ(buffer, Bytes(16, 0xAA));
}

TEST(WaveFileRead, FileShorterThanItsDataChunkGivesSilence) {
    struct Case {
        int align;
        size_t bytesPresent; // of the data chunk's claimed 400 frames
        int64_t available;   // whole frames that exist
        uint8_t silence;
    } cases[] = {{4, 40, 10, 0x00}, {4, 42, 10, 0x00}, {1, 12, 12, 0x80}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytesPresent);
        Bytes fmt = Fmt(c.align == 1 ? 1 : 2, 44100, uint16_t(c.align));
        Bytes frames = Cut(Frames(400, c.align), c.bytesPresent);
        OpenedWave w(Riff(Cat({fmt, Chunk("data", uint32_t(400 * c.align), frames, false)})));
        ASSERT_EQ(w.result, 0);
        Bytes buffer(size_t(64 * c.align), 0xAA);
        w.file.position = 2;
        WaveFileRead(&w.file, buffer.data(), uint32_t(buffer.size()));
        ExpectFrames(buffer.data(), 2, 64, c.available, c.align, c.silence);
    }
}

TEST(WaveFileSeek, MillisecondsToFrames) {
    struct Case {
        uint32_t rate;
        int64_t ms;
        int64_t position;
    } cases[] = {
        {44100, 1000, 44100},
        {44100, -1, -44},
        {44100, INT64_MIN, INT64_MIN},
        {0xFFFFFFFF, 2147483648000, 9223372034707292160},
        {0xFFFFFFFF, 2147483648999, INT64_MAX}, // the fraction tips it over
        {0, 5000, 0},
    };
    for (const Case& c : cases) {
        WaveFile file = {};
        file.format.sampleRate = c.rate;
        file.position = 77;
        WaveFileSeek(&file, c.ms);
        EXPECT_EQ(file.position, c.position) << c.rate << " " << c.ms;
    }
    WaveFileSeek(nullptr, 0);
}

TEST(WaveFileFormat, OnlySixteenBitStereoAt44100IsAccepted) {
    struct Case {
        uint16_t channels;
        uint32_t rate;
        uint16_t align, storedBits;
        int accepted;
    } cases[] = {{2, 44100, 4, 24, 1}, {1, 44100, 2, 16, 0}, {2, 48000, 4, 16, 0},
                 {2, 44100, 6, 16, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " " << c.rate << " " << c.align);
        Bytes fmt = Chunk("fmt ", FmtBody(c.channels, c.rate, c.align, 16, c.storedBits));
        OpenedWave w(Riff(Cat({fmt, Chunk("data", Frames(4, c.align))})));
        ASSERT_EQ(w.result, 0);
        EXPECT_EQ(WaveFileFormatAccepted(&w.file), c.accepted);
        WaveFileClose(&w.file);
        EXPECT_EQ(WaveFileFormatAccepted(&w.file), 0); // nothing open
    }
    EXPECT_EQ(WaveFileFormatAccepted(nullptr), 0);
}

} // namespace
