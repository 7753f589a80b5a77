// The passages a scan marks with cues of their own: clipping (runs of
// full-scale samples), phase trouble (the channels' correlation below a
// limit for a while) and silence (both channels below a level for a while).
// The finder reads the same buffers as the engine, 16-bit or float, at the
// file's own rate, in blocks of 10 ms.
#pragma once

#include <cstdint>

enum PassageKind { kPassageClip = 1, kPassagePhase = 2, kPassageSilence = 4 };

struct PassageRules {
    int kinds = 0;             // PassageKind bits to look for
    int clipRun = 3;           // full-scale samples in a row that count as clipping
    double phaseBelow = -0.2;  // correlation limit
    double phaseSeconds = 1.0; // for at least this long
    double silenceDb = -60.0;  // dBFS both channels stay below
    double silenceSeconds = 2.0;
};

struct Passage {
    int64_t start;   // sample frame where it begins
    int64_t length;  // frames it lasted (clipping: from the first run to the end of the last)
    int kind;        // PassageKind
    int channels;    // clipping: 1 left, 2 right, 3 both
    int32_t longest; // clipping: the longest run in samples
    float lowest;    // phase: the lowest correlation
};

// Runs of one channel's full-scale samples, and where its clip passage
// stands.
struct ClipTrack {
    int64_t runStart;
    int32_t runLength;
};

// A passage still growing: the run of blocks (or windows) that meets its
// rule, and where it is kept once long enough (-1: not kept, the list full).
struct OpenPassage {
    int64_t start;
    int64_t length;
    bool counted; // long enough, and counted in total
    int32_t index;
};

// Fixed after PassageFinderInit: found, capacity; rules from
// PassageFinderStart. The rest is the stream's.
struct PassageFinder {
    PassageRules rules;
    Passage* found; // the first `capacity` passages, in the order they became long enough
    uint32_t capacity;
    uint32_t count;       // passages in found
    uint32_t total;       // passages found, also those beyond capacity
    int64_t position;     // frames read
    double sampleRate;    // frames per second
    uint32_t blockFrames; // 10 ms
    float silenceLimit;   // rules.silenceDb as a magnitude in 16-bit sample units
    float clipHigh;       // the format's largest positive sample, in 16-bit sample units
    // The current 10 ms block: peak magnitudes and sums of products, in
    // 16-bit sample units (2^15 per unit amplitude) whatever the input.
    uint32_t blockFill;
    float blockPeak[2];
    double blockSums[3]; // left x left, right x right, left x right
    // The last ten blocks' sums, for the correlation over 100 ms.
    double window[10][3];
    uint32_t blocks; // blocks completed
    ClipTrack clip[2];
    OpenPassage clipping, phase, silence;
    int64_t clipEnd; // frame after the last qualifying run of the clip passage
};

// Makes room for `capacity` passages in a value-initialised finder. Returns
// 1, or 0 when memory is short (the finder is then freed).
int PassageFinderInit(PassageFinder* finder, uint32_t capacity);

// Frees the finder. Safe on a zeroed or freed finder.
void PassageFinderFree(PassageFinder* finder);

// Starts a stream with rules: nothing found yet. sampleRate is the
// stream's (1..1000000); clipLevel the largest positive sample of its
// format as an amplitude, 32767 / 32768 for 16-bit PCM and 1 for float: a
// sample at it or beyond, or at -1 or below, is full scale.
void PassageFinderStart(PassageFinder* finder, const PassageRules& rules, double sampleRate,
                        float clipLevel);

// Reads frames of interleaved 16-bit stereo PCM, or of stereo float
// amplitudes. Allocates nothing.
void PassageFinderAdd(PassageFinder* finder, const void* samples, uint32_t frames);
void PassageFinderAddFloat(PassageFinder* finder, const float* samples, uint32_t frames);

// The cue name of a passage of a stream at sampleRate, e.g. "clip L 12
// samples", "phase -0.95 for 3.4 s", "silence 4.0 s", into out of size bytes.
void PassageName(const Passage& passage, double sampleRate, char* out, int size);
