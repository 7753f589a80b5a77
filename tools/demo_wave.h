// The demo WAVE file: 30 s of 16-bit stereo 44100 Hz PCM whose sections have
// known levels, so tests and the demo can check what the meters show. The
// soak program repeats it for hours at a gain that changes from one
// repetition to the next.
#pragma once

#include <cstdint>
#include <string>

namespace demo {

enum class Signal { Tone, InvertedTone, LeftOnly, Silence, Sweep };

struct Section {
    double start; // seconds from the beginning of the 30 s program
    double end;   // seconds, exclusive
    Signal signal;
    double levelDb; // peak level of the sine in dBFS (unused for Silence)
    double hz;      // tone frequency; the sweep's start frequency
};

constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr double kProgramSeconds = 30.0;
constexpr double kSweepEndHz = 20000.0;
// The longest file of this format: its RIFF and data sizes are 32-bit
// counts (about 6 h 45 min).
constexpr double kMaxWaveSeconds = 24347.0;

// Which program a file holds.
enum class Program { Demo, Soak };

// The sections of the program, in time order, covering 0..30 s.
const Section* Sections(int* count);

// Sample frame `frame` of the program (frames past 30 s repeat it).
void Frame(int64_t frame, int16_t* left, int16_t* right);

// The soak program's frame: the demo program's at the gain of its
// repetition (frame / 30 s), rounded and clipped to 16 bits. The gains
// cycle through a fixed table, some loud enough to clip the -1 dBFS burst,
// some far below the demo; the inverted section keeps its anti-phase.
void SoakFrame(int64_t frame, int16_t* left, int16_t* right);

// Writes `seconds` of the program (repeated as needed) as a canonical
// 44-byte-header WAVE file at a UTF-8 path. Returns false when the file
// cannot be written or `seconds` is not within (0, kMaxWaveSeconds].
bool WriteDemoWave(const std::string& path, double seconds = kProgramSeconds,
                   Program program = Program::Demo);

} // namespace demo
