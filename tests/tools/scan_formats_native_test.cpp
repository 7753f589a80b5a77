// The scan on files libsndfile writes, in every layout the scan reads:
// its peaks are the written samples' own, its loudness libebur128's (the
// true peaks within the 0.2 dB the two interpolations differ by on noise).
#include "tools/scan.h"

#include <gtest/gtest.h>

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "meter/decibels.h"
#include "tests/support/test_files.h"

namespace {

// One second of a different sine and noise mix in each channel, below full
// scale; the first channel the loudest.
std::vector<float> Signal(int rate, int channels) {
    std::mt19937 rng(uint32_t(rate + channels));
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    std::vector<float> samples(size_t(rate) * channels);
    for (int i = 0; i < rate; ++i)
        for (int c = 0; c < channels; ++c)
            samples[size_t(i) * channels + c] =
                float((0.8 - 0.07 * c) * std::sin(2 * M_PI * (220.0 + 110 * c) * i / rate)) +
                noise(rng);
    return samples;
}

// Writes samples in format; reads back what the file holds, as floats.
bool WriteFile(const std::string& path, int format, int rate, int channels,
               const std::vector<float>& samples, std::vector<float>* held) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    sf_command(f, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    const sf_count_t frames = sf_count_t(samples.size() / channels);
    const bool ok = sf_writef_float(f, samples.data(), frames) == frames;
    sf_close(f);
    SF_INFO back{};
    f = sf_open(path.c_str(), SFM_READ, &back);
    if (!ok || !f) return false;
    held->assign(samples.size(), 0.0f);
    const bool read = sf_readf_float(f, held->data(), frames) == frames;
    sf_close(f);
    return read;
}

struct Reference {
    double integrated, truePeak[8];
};

// libebur128 on the samples, each channel weighed by the speaker the scan
// names for it: the LFE left out, surrounds +1.5 dB, the rest 1.
Reference Ebur128(const std::vector<float>& samples, int rate, int channels,
                  const std::vector<ScanChannel>& names) {
    Reference r{};
    ebur128_state* st =
        ebur128_init(unsigned(channels), unsigned(rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    for (int c = 0; c < channels; ++c) {
        const std::string name = size_t(c) < names.size() ? names[c].name : "";
        const bool surround =
            name == "Ls" || name == "Rs" || name == "Lsd" || name == "Rsd" || name == "Cs";
        ebur128_set_channel(st, unsigned(c),
                            name == "LFE" ? EBUR128_UNUSED
                            : surround    ? EBUR128_LEFT_SURROUND
                                          : EBUR128_LEFT);
    }
    ebur128_add_frames_float(st, samples.data(), samples.size() / channels);
    ebur128_loudness_global(st, &r.integrated);
    for (int c = 0; c < channels; ++c) {
        ebur128_true_peak(st, unsigned(c), &r.truePeak[c]);
        r.truePeak[c] = 20 * std::log10(r.truePeak[c]);
    }
    ebur128_destroy(&st);
    return r;
}

TEST(ScanFormats, PeaksAreTheSamplesAndLoudnessIsTheReferences) {
    const struct {
        const char* name;
        int format;
    } formats[] = {
        {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},   {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32},   {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8},
        {"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},    {"wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
        {"wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24}, {"wav", SF_FORMAT_RF64 | SF_FORMAT_FLOAT},
        {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}, {"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {"caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT},    {"w64", SF_FORMAT_W64 | SF_FORMAT_PCM_32},
    };
    testsupport::ScratchDir dir;
    for (const auto& f : formats)
        for (int rate : {8000, 44100, 48000, 96000, 192000})
            for (int channels : {1, 2, 6, 8}) {
                if ((f.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC && rate > 96000) continue;
                const std::string path = dir.file("in." + std::string(f.name));
                SCOPED_TRACE(testing::Message() << std::hex << f.format << std::dec << ", " << rate
                                                << " Hz, " << channels << " channels");
                std::vector<float> held;
                ASSERT_TRUE(
                    WriteFile(path, f.format, rate, channels, Signal(rate, channels), &held));
                ScanOptions o;
                o.input = path;
                o.inputs = {path};
                o.loudness = true;
                o.output = dir.file("out.his");
                ScanSummary s;
                std::string error;
                ASSERT_EQ(RunScan(o, &s, &error), kScanDone) << error;
                // The history carries the first two channels (a mono file's one
                // in both); a file of more lists every channel's peak.
                std::vector<float> peak(channels, 0.0f);
                for (size_t i = 0; i < held.size(); ++i)
                    peak[i % channels] = std::max(peak[i % channels], std::fabs(held[i]));
                EXPECT_EQ(s.peakDb[0], AmplitudeToDb(peak[0]));
                EXPECT_EQ(s.peakDb[1], AmplitudeToDb(peak[channels > 1 ? 1 : 0]));
                if (channels > 2) {
                    ASSERT_EQ(s.channelLevels.size(), size_t(channels));
                    for (int c = 0; c < channels; ++c)
                        EXPECT_EQ(s.channelLevels[c].peakDb, AmplitudeToDb(peak[c])) << c;
                }
                const Reference ref = Ebur128(held, rate, channels, s.channelLevels);
                EXPECT_NEAR(s.loudness.integrated, ref.integrated, 0.005);
                ASSERT_EQ(s.loudness.channels, uint32_t(channels));
                for (int c = 0; c < channels; ++c)
                    EXPECT_NEAR(s.loudness.truePeakDb[c], ref.truePeak[c], 0.2) << c;
            }
}

} // namespace
