#include "tools/demo_wave.h"
#include "sys/byte_order.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::ReadAll;
using testsupport::ScratchDir;

namespace {

// The sections' levels are read back through the engine by the demo scan test.
TEST(DemoWave, WritesCanonicalHeaderAndAllFrames) {
    ScratchDir dir;
    ASSERT_TRUE(demo::WriteDemoWave(dir.file("demo.wav"), 1.0));
    auto bytes = ReadAll(dir.file("demo.wav"));
    ASSERT_EQ(bytes.size(), 44u + 44100u * 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(LoadU32(bytes.data() + 4), bytes.size() - 8);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(LoadU32(bytes.data() + 24), 44100u);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(LoadU32(bytes.data() + 40), 44100u * 4u);
}

} // namespace
