#include "tests/e2e/capture_match.h"

#include <algorithm>
#include <utility>

CaptureMatch::CaptureMatch(uint64_t frames, std::function<uint32_t()> nextFileFrame)
    : fileFrames(frames), nextFileFrame_(std::move(nextFileFrame)) {}

void CaptureMatch::Add(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        carry_[carried_++] = bytes[i];
        if (carried_ < 4) continue;
        carried_ = 0;
        Take(uint32_t(carry_[0]) | uint32_t(carry_[1]) << 8 | uint32_t(carry_[2]) << 16 |
             uint32_t(carry_[3]) << 24);
    }
}

void CaptureMatch::Take(uint32_t frame) {
    ++captureFrames;
    if (differs) return;
    if (matched == fileFrames) {
        ++framesAfter;
        loudAfter += frame != 0;
        return;
    }
    if (!haveExpected_) {
        expected = nextFileFrame_();
        haveExpected_ = true;
    }
    if (frame == expected) {
        ++matched;
        haveExpected_ = false;
        run_ = 0;
    } else if (frame == 0) {
        silentRuns += run_ == 0;
        ++silentFrames;
        longestRun = std::max(longestRun, ++run_);
    } else {
        differs = true;
        heard = frame;
    }
}
