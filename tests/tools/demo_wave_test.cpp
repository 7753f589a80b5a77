#include "tools/demo_wave.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using testsupport::ReadAll;
using testsupport::ScratchDir;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(DemoWave, WritesCanonicalHeaderAndAllFrames) {
    ScratchDir dir;
    ASSERT_TRUE(demo::WriteDemoWave(dir.file("demo.wav"), 1.0));
    auto bytes = ReadAll(dir.file("demo.wav"));
    ASSERT_EQ(bytes.size(), 44u + 44100u * 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(U32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(bytes, 24), 44100u);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(U32(bytes, 40), 44100u * 4u);
}

TEST(DemoWave, SectionsHaveTheirLevels) {
    struct Case { double at; double leftDb; double rightDb; bool inverted; };
    const Case cases[] = {
        {1.0, -40, -40, false}, {3.0, -20, -20, false}, {5.0, -12, -12, false},
        {7.0, -6, -6, false},   {9.0, -1, -1, false},   {12.0, -6, -6, true},
        {16.0, -6, -200, false}, {19.0, -200, -200, false}, {25.0, -6, -6, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        int peakL = 0, peakR = 0;
        bool opposite = true;
        int64_t first = int64_t(c.at * 44100);
        for (int64_t i = first; i < first + 4410; ++i) {
            int16_t l, r;
            demo::Frame(i, &l, &r);
            peakL = std::max(peakL, std::abs(int(l)));
            peakR = std::max(peakR, std::abs(int(r)));
            opposite = opposite && l == -r;
        }
        auto db = [](int peak) { return peak ? 20 * std::log10(peak / 32767.0) : -200.0; };
        EXPECT_NEAR(db(peakL), c.leftDb, 0.1);
        EXPECT_NEAR(db(peakR), c.rightDb, 0.1);
        if (c.leftDb > -200 && c.rightDb > -200) {
            EXPECT_EQ(opposite, c.inverted);
        }
    }
}

} // namespace
