// The sound file reader against files libsndfile writes: every WAVE
// encoding and the other containers at the rates and channel counts the scan
// meets, compared with the samples that were written.
#include "audio/sound_file.h"
#include "audio/sound_others.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using testsupport::ScratchDir;
using testsupport::WriteAll;

namespace {

const int kRates[] = {8000, 44100, 48000, 96000, 192000};
const int kChannels[] = {1, 2, 6, 8};
constexpr int kFrames = 1000;

uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

int WidthOf(int subtype) {
    switch (subtype) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: return 32;
    default: return 0;
    }
}

// Writes `frames` frames through libsndfile and returns the floats a reader
// must deliver for them: integers full-scale at the file's width (so their
// low bits survive), floats beyond 1.0, doubles that a float cannot hold.
bool WriteExact(const std::string& path, int format, int rate, int channels, int frames,
                std::vector<float>* expected, const int* map = nullptr) {
    SF_INFO info = {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sf) return false;
    if (map)
        sf_command(sf, SFC_SET_CHANNEL_MAP_INFO, const_cast<int*>(map),
                   int(sizeof(int)) * channels);
    const size_t n = size_t(frames) * channels;
    expected->resize(n);
    const int sub = format & SF_FORMAT_SUBMASK;
    sf_count_t written = 0;
    if (const int width = WidthOf(sub)) {
        const uint32_t keep = width == 32 ? ~0u : ~((1u << (32 - width)) - 1u);
        std::vector<int> ints(n);
        for (size_t i = 0; i < n; ++i) {
            uint32_t v = uint32_t(i) * 2654435761u + 0x9E3779B9u;
            if (i < size_t(channels))
                v = 0x80000000u; // full scale negative
            else if (i < 2 * size_t(channels))
                v = 0x7FFFFFFFu;
            ints[i] = int32_t(v & keep);
            (*expected)[i] = float(double(ints[i]) / 2147483648.0);
        }
        written = sf_writef_int(sf, ints.data(), frames);
    } else if (sub == SF_FORMAT_DOUBLE) {
        std::vector<double> doubles(n);
        for (size_t i = 0; i < n; ++i) {
            doubles[i] = (double(i * 37 % 401) - 200.0) / 137.0;
            (*expected)[i] = float(doubles[i]);
        }
        written = sf_writef_double(sf, doubles.data(), frames);
    } else {
        for (size_t i = 0; i < n; ++i)
            (*expected)[i] = (float(i * 37 % 401) - 200.0f) / 100.0f;
        written = sf_writef_float(sf, expected->data(), frames);
    }
    return sf_close(sf) == 0 && written == frames;
}

// Reads the whole file through the reader, in blocks of 317 frames.
std::vector<float> ReadAll(SoundFile* file) {
    std::vector<float> out(size_t(file->frames) * file->format.channels);
    const uint32_t block = 317;
    for (uint64_t at = 0; at < file->frames; at += block) {
        const uint64_t want = file->frames - at < block ? file->frames - at : block;
        if (SoundFileRead(file, at, out.data() + at * file->format.channels, uint32_t(want)) !=
            want)
            return {};
    }
    return out;
}

struct Exact {
    const char* name;
    int format;
    uint8_t container;
    const char* kind; // prefix of the description
};

// Every format, rate and channel count: the samples read equal those written,
// bit for bit, and a block read out of order equals the same frames read in order.
TEST(SoundFileLibsndfile, LosslessFilesReadAsWritten) {
    const Exact cases[] = {
        {"wav u8", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, kSoundRiff, "WAVE 8-bit PCM"},
        {"wav 16", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kSoundRiff, "WAVE 16-bit PCM"},
        {"wav 24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, kSoundRiff, "WAVE 24-bit PCM"},
        {"wav 32", SF_FORMAT_WAV | SF_FORMAT_PCM_32, kSoundRiff, "WAVE 32-bit PCM"},
        {"wav float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kSoundRiff, "WAVE 32-bit float"},
        {"wav double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kSoundRiff, "WAVE 64-bit float"},
        {"wavex 16", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, kSoundRiff, "WAVE 16-bit PCM"},
        {"wavex 24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, kSoundRiff, "WAVE 24-bit PCM"},
        {"wavex float", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, kSoundRiff, "WAVE 32-bit float"},
        {"wavex double", SF_FORMAT_WAVEX | SF_FORMAT_DOUBLE, kSoundRiff, "WAVE 64-bit float"},
        {"rf64 u8", SF_FORMAT_RF64 | SF_FORMAT_PCM_U8, kSoundRf64, "RF64 8-bit PCM"},
        {"rf64 16", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, kSoundRf64, "RF64 16-bit PCM"},
        {"rf64 24", SF_FORMAT_RF64 | SF_FORMAT_PCM_24, kSoundRf64, "RF64 24-bit PCM"},
        {"rf64 32", SF_FORMAT_RF64 | SF_FORMAT_PCM_32, kSoundRf64, "RF64 32-bit PCM"},
        {"rf64 float", SF_FORMAT_RF64 | SF_FORMAT_FLOAT, kSoundRf64, "RF64 32-bit float"},
        {"rf64 double", SF_FORMAT_RF64 | SF_FORMAT_DOUBLE, kSoundRf64, "RF64 64-bit float"},
        {"flac 8", SF_FORMAT_FLAC | SF_FORMAT_PCM_S8, kSoundOther, "FLAC, Signed 8 bit PCM"},
        {"flac 16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kSoundOther, "FLAC, Signed 16 bit PCM"},
        {"flac 24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, kSoundOther, "FLAC, Signed 24 bit PCM"},
        {"aiff 8", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, kSoundOther, "AIFF, Signed 8 bit PCM"},
        {"aiff 16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, kSoundOther, "AIFF, Signed 16 bit PCM"},
        {"aiff 24", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, kSoundOther, "AIFF, Signed 24 bit PCM"},
        {"aifc 32", SF_FORMAT_AIFF | SF_FORMAT_PCM_32, kSoundOther, "AIFF, Signed 32 bit PCM"},
        {"aifc float", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, kSoundOther, "AIFF, 32 bit float"},
        {"caf 16", SF_FORMAT_CAF | SF_FORMAT_PCM_16, kSoundOther, "CAF, Signed 16 bit PCM"},
        {"caf 24", SF_FORMAT_CAF | SF_FORMAT_PCM_24, kSoundOther, "CAF, Signed 24 bit PCM"},
        {"caf double", SF_FORMAT_CAF | SF_FORMAT_DOUBLE, kSoundOther, "CAF, 64 bit float"},
        {"w64 u8", SF_FORMAT_W64 | SF_FORMAT_PCM_U8, kSoundOther, "W64, Unsigned 8 bit PCM"},
        {"w64 32", SF_FORMAT_W64 | SF_FORMAT_PCM_32, kSoundOther, "W64, Signed 32 bit PCM"},
        {"w64 float", SF_FORMAT_W64 | SF_FORMAT_FLOAT, kSoundOther, "W64, 32 bit float"},
    };
    ScratchDir dir;
    for (const Exact& c : cases) {
        for (int rate : kRates) {
            for (int channels : kChannels) {
                SCOPED_TRACE(testing::Message() << c.name << " " << rate << " Hz " << channels);
                const std::string path = dir.file("t");
                std::vector<float> expected;
                ASSERT_TRUE(WriteExact(path, c.format, rate, channels, kFrames, &expected))
                    << sf_strerror(nullptr);
                SoundFile file;
                ASSERT_EQ(SoundFileOpen(&file, path.c_str(), SoundOtherReaders()), kSoundOpened)
                    << file.why;
                EXPECT_EQ(file.container, c.container);
                EXPECT_EQ(std::string(file.kind).rfind(c.kind, 0), 0u) << file.kind;
                EXPECT_EQ(file.format.sampleRate, uint32_t(rate));
                EXPECT_EQ(file.format.channels, channels);
                EXPECT_EQ(file.frames, uint64_t(kFrames));
                const std::vector<float> got = ReadAll(&file);
                ASSERT_EQ(got.size(), expected.size());
                for (size_t i = 0; i < got.size(); ++i)
                    ASSERT_EQ(Bits(got[i]), Bits(expected[i]))
                        << i << ": " << got[i] << " vs " << expected[i];
                std::vector<float> block(size_t(100) * channels);
                ASSERT_EQ(SoundFileRead(&file, 450, block.data(), 100), 100u);
                EXPECT_EQ(0, std::memcmp(block.data(), got.data() + 450 * channels,
                                         block.size() * sizeof(float)));
                EXPECT_EQ(file.invalidSamples, 0u);
                SoundFileClose(&file);
            }
        }
    }
}

// Lossy codecs: the level of a 997 Hz sine written at half scale survives
// within half a decibel, and the length within the codec's padding.
TEST(SoundFileLibsndfile, LossyFilesKeepTheirLevel) {
    struct Case {
        const char* name;
        int format, rate, channels;
        const char* kind;
    } cases[] = {
        {"vorbis mono", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1, "OGG, Vorbis"},
        {"vorbis 5.1", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 6, "OGG, Vorbis"},
        {"opus stereo", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2, "OGG, Opus"},
        {"mp3 stereo", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, "MPEG"},
        {"mp3 mono", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 48000, 1, "MPEG"},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("t");
        SF_INFO info = {};
        info.samplerate = c.rate;
        info.channels = c.channels;
        info.format = c.format;
        SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
        const int frames = c.rate; // one second
        std::vector<float> sine(size_t(frames) * c.channels);
        for (int i = 0; i < frames; ++i)
            for (int ch = 0; ch < c.channels; ++ch)
                sine[size_t(i) * c.channels + ch] =
                    0.5f * float(std::sin(2 * M_PI * 997 * i / c.rate));
        ASSERT_EQ(sf_writef_float(sf, sine.data(), frames), frames);
        ASSERT_EQ(sf_close(sf), 0);

        SoundFile file;
        ASSERT_EQ(SoundFileOpen(&file, path.c_str(), SoundOtherReaders()), kSoundOpened)
            << file.why;
        EXPECT_EQ(std::string(file.kind).rfind(c.kind, 0), 0u) << file.kind;
        EXPECT_EQ(file.format.sampleRate, uint32_t(c.rate));
        EXPECT_EQ(file.format.channels, c.channels);
        EXPECT_GE(file.frames, uint64_t(frames) - 2048);
        EXPECT_LE(file.frames, uint64_t(frames) + 4096);
        const std::vector<float> got = ReadAll(&file);
        ASSERT_FALSE(got.empty());
        for (int ch = 0; ch < c.channels; ++ch) {
            if (SoundFileChannelRole(&file, ch) == kRoleLfe) continue; // the codec low-passes it
            double sum = 0;
            const int from = frames / 4, to = frames * 3 / 4;
            for (int i = from; i < to; ++i)
                sum += double(got[size_t(i) * c.channels + ch]) * got[size_t(i) * c.channels + ch];
            const double db = 10 * std::log10(sum / (to - from) / 0.125);
            EXPECT_NEAR(db, 0.0, 0.5) << "channel " << ch;
        }
        SoundFileClose(&file);
    }
}

// Channel maps written by libsndfile: into the extensible header (read
// here) and into CAF's channel layout (read through libsndfile); files with
// none take the usual order.
TEST(SoundFileLibsndfile, ChannelMapsReachTheSpeakers) {
    const int surround[] = {SF_CHANNEL_MAP_LEFT,      SF_CHANNEL_MAP_RIGHT,
                            SF_CHANNEL_MAP_CENTER,    SF_CHANNEL_MAP_LFE,
                            SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT};
    const uint32_t side51[] = {kSpeakerFrontLeft,    kSpeakerFrontRight, kSpeakerFrontCenter,
                               kSpeakerLowFrequency, kSpeakerSideLeft,   kSpeakerSideRight};
    const uint32_t back51[] = {kSpeakerFrontLeft,    kSpeakerFrontRight, kSpeakerFrontCenter,
                               kSpeakerLowFrequency, kSpeakerBackLeft,   kSpeakerBackRight};
    const uint32_t vorbis51[] = {kSpeakerFrontLeft, kSpeakerFrontCenter, kSpeakerFrontRight,
                                 kSpeakerBackLeft,  kSpeakerBackRight,   kSpeakerLowFrequency};
    struct Case {
        const char* name;
        int format;
        const int* map;
        const uint32_t* speakers;
    } cases[] = {
        {"wavex with a map", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, surround, side51},
        // CAF's 5.1 layout names its surrounds rear, whatever was written.
        {"caf with a map", SF_FORMAT_CAF | SF_FORMAT_PCM_16, surround, back51},
        {"aiff without", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, nullptr, back51},
        {"flac's own order", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, nullptr, back51},
        {"vorbis's own order", SF_FORMAT_OGG | SF_FORMAT_VORBIS, nullptr, vorbis51},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("t");
        std::vector<float> expected;
        ASSERT_TRUE(WriteExact(path, c.format, 48000, 6, 10, &expected, c.map));
        SoundFile file;
        ASSERT_EQ(SoundFileOpen(&file, path.c_str(), SoundOtherReaders()), kSoundOpened)
            << file.why;
        for (int ch = 0; ch < 6; ++ch)
            EXPECT_EQ(file.speakers[ch], c.speakers[ch]) << ch;
        SoundFileClose(&file);
    }
}

// A container read through libsndfile is held to the same rates and channels.
TEST(SoundFileLibsndfile, OutOfRangeIsRefused) {
    ScratchDir dir;
    const std::string path = dir.file("t");
    std::vector<float> written;
    ASSERT_TRUE(WriteExact(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 4000, 1, 10, &written));
    SoundFile file;
    EXPECT_EQ(SoundFileOpen(&file, path.c_str(), SoundOtherReaders()), kSoundUnsupported);
    EXPECT_STREQ(file.why, "unsupported format (FLAC, Signed 16 bit PCM, 16 bits, 4000 Hz, 1 "
                           "channel): rates run from 8000 to 384000 Hz");
    EXPECT_EQ(file.otherState, nullptr);
}

} // namespace
