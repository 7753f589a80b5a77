// The sound a device took, held against the file that was played: every
// sample frame of the file must arrive in order and unchanged, with whole
// frames of silence allowed before and between them. A program starts its
// stream with a buffer of silence, and a device that is not paced in real
// time takes the sound as fast as it comes and, each time less than its
// period is queued, plays a lead-in of silence of its own (Wine's ALSA
// driver does). After the file's last frame only silence may follow. Fed
// the capture piece by piece while it grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

class CaptureMatch {
  public:
    // fileFrames: the file's length; nextFileFrame yields its frames in
    // order (a frame is 4 bytes, little-endian left then right).
    CaptureMatch(uint64_t fileFrames, std::function<uint32_t()> nextFileFrame);

    // Takes in the next size bytes of the capture; a frame cut at the end
    // waits for the rest. After a difference, bytes are only counted.
    void Add(const uint8_t* bytes, size_t size);

    bool complete() const { return matched == fileFrames && !differs; }

    const uint64_t fileFrames;
    uint64_t captureFrames = 0; // frames taken in
    uint64_t matched = 0;       // the file's frames found, in order
    uint64_t silentRuns = 0;    // runs of silence besides the file's, before its end
    uint64_t silentFrames = 0;  // their frames
    uint64_t longestRun = 0;    // frames of the longest
    uint64_t framesAfter = 0;   // frames after the file's last
    uint64_t loudAfter = 0;     // of them not silent
    bool differs = false;       // a frame neither the file's next one nor silence
    uint32_t heard = 0;         // that frame
    uint32_t expected = 0;      // the file's frame it stood for

  private:
    void Take(uint32_t frame);

    std::function<uint32_t()> nextFileFrame_;
    bool haveExpected_ = false;
    uint64_t run_ = 0;
    uint8_t carry_[4] = {};
    size_t carried_ = 0;
};
