#include "tools/demo_wave.h"

#include "tests/tools/scan_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

// The header is the canonical one and all frames follow; the sections'
// levels are read back through the engine by the demo scan test.
TEST(DemoWave, WritesCanonicalHeaderAndAllFrames) {
    testsupport::ScratchDir dir;
    ASSERT_TRUE(demo::WriteDemoWave(dir.file("demo.wav"), 1.0));
    const std::vector<uint8_t> bytes = testsupport::ReadAll(dir.file("demo.wav"));
    const std::vector<uint8_t> canonical = scantest::WaveBytes(2, std::vector<int16_t>(2 * 44100));
    ASSERT_EQ(bytes.size(), canonical.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 44, canonical.begin()));
}
