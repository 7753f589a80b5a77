#include "tests/e2e/capture_match.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Frames as the device writes them: little-endian, left in the low half.
std::vector<uint8_t> Bytes(const std::vector<uint32_t>& frames) {
    std::vector<uint8_t> bytes;
    for (uint32_t f : frames)
        for (int k = 0; k < 4; ++k)
            bytes.push_back(uint8_t(f >> (8 * k)));
    return bytes;
}

struct Case {
    const char* what;
    std::vector<uint32_t> capture;
    bool complete;
    bool differs;
    uint64_t silentRuns;
    uint64_t silentFrames;
    uint64_t loudAfter;
};

// The file has a silent frame of its own, and frames that are silent on one
// side only.
const std::vector<uint32_t> kFile = {0x00010002, 0x00000003, 0, 0x00040000, 0x00050006};

TEST(CaptureMatch, TakesTheFileWithTheDevicesSilenceOnlyAndNothingElse) {
    const uint32_t a = kFile[0], b = kFile[1], c = kFile[3], d = kFile[4];
    const Case cases[] = {
        {"the file, then silence", {a, b, 0, c, d, 0, 0}, true, false, 0, 0, 0},
        {"silence before, between and beside the file's own",
         {0, 0, a, 0, b, 0, 0, 0, c, d},
         true,
         false,
         3,
         5,
         0},
        {"a frame left out", {a, b, c, d}, false, true, 0, 0, 0},
        {"a frame played twice", {a, a, b, 0, c, d}, false, true, 0, 0, 0},
        {"a sample changed", {a, b, 0, c, d ^ 1}, false, true, 0, 0, 0},
        {"sound pushed in", {a, 0x00000001, b, 0, c, d}, false, true, 0, 0, 0},
        {"one side silent pushed in", {a, 0x00070000, b, 0, c, d}, false, true, 0, 0, 0},
        {"sound after the file", {a, b, 0, c, d, 0, 0x00010001}, true, false, 0, 0, 1},
        {"the file cut short", {a, b, 0, c}, false, false, 0, 0, 0},
    };
    for (const Case& k : cases) {
        // Fed whole, and three bytes at a time so that frames are cut.
        for (size_t piece : {size_t(0), size_t(3)}) {
            size_t next = 0;
            CaptureMatch match(kFile.size(), [&] { return kFile.at(next++); });
            const std::vector<uint8_t> bytes = Bytes(k.capture);
            const size_t step = piece ? piece : bytes.size();
            for (size_t at = 0; at < bytes.size(); at += step)
                match.Add(bytes.data() + at, std::min(step, bytes.size() - at));
            const std::string where = std::string(k.what) + (piece ? ", in pieces" : "");
            EXPECT_EQ(match.complete(), k.complete) << where;
            EXPECT_EQ(match.differs, k.differs) << where;
            EXPECT_EQ(match.silentRuns, k.silentRuns) << where;
            EXPECT_EQ(match.silentFrames, k.silentFrames) << where;
            EXPECT_EQ(match.loudAfter, k.loudAfter) << where;
            EXPECT_EQ(match.captureFrames, k.capture.size()) << where;
        }
    }
}

} // namespace
