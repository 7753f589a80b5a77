// Loudness while a stream runs: the streaming thread (playing or measuring
// the input) adds every buffer the meters see, and publishes a reading that
// the user-interface thread copies out at its own pace. It measures with
// the core's loudness meter (meter/loudness.h), as tenvelo-scan does.
//
// Threads: while a stream runs, its thread alone touches meter, frames and
// publishedAt; the user-interface thread only reads the published reading
// and requests a reset. While no stream runs the user-interface thread owns
// everything and may call LiveLoudnessRestart.
#pragma once

#include <atomic>
#include <cstdint>

#include "meter/loudness.h"

// The longest stretch integrated after a reset: steps beyond it are not
// kept (the integrated loudness and the range then stop moving). Reserved
// once, so that a reset in the audio path allocates nothing.
constexpr uint64_t kLiveLoudnessFrames = uint64_t(6) * 3600 * 44100;
// Frames between two publications: the fastest frame rate the meters offer.
constexpr uint32_t kLiveLoudnessPublishFrames = 44100 / 30;
// The gating behind the integrated loudness and the range sorts every step
// so far: it runs again after a two-hundredth of the time integrated, at
// most a second, so that its cost per second stays flat over hours. The
// true peaks come with it.
constexpr uint32_t kLiveLoudnessGatingShare = 200;
constexpr uint32_t kLiveLoudnessGatingMaxFrames = 44100;

// One published reading. Loudness values are -infinity where the meter has
// nothing to report yet (see LoudnessResult).
struct LoudnessReading {
    double momentary;     // LUFS, the last 400 ms
    double shortTerm;     // LUFS, the last 3 s
    double integrated;    // LUFS, gated, since the reset
    double range;         // LU
    double truePeakDb[2]; // dBTP, left and right, since the reset
    uint64_t frames;      // frames integrated since the reset
};

struct LiveLoudness {
    LoudnessMeter meter;  // the stream thread's while a stream runs
    uint64_t frames;      // frames added since the reset
    uint64_t publishedAt; // frames at the last publication
    uint64_t gatedAt;     // frames at the last gating (LoudnessFinish)
    LoudnessResult gated; // its results
    uint32_t ready;       // 1 once LiveLoudnessInit succeeded
    std::atomic<uint32_t> resetRequested;
    // Odd while the stream thread writes the reading; the reader retries.
    std::atomic<uint32_t> sequence;
    std::atomic<double> published[6]; // momentary, short-term, integrated, range, peaks
    std::atomic<uint64_t> publishedFrames;
};

// Prepares a value-initialised record for buffers of any size. Returns 1,
// or 0 when memory is short (the record then measures nothing).
int LiveLoudnessInit(LiveLoudness* live);

// Frees the meter. Safe on a zeroed or freed record.
void LiveLoudnessFree(LiveLoudness* live);

// Starts over from nothing and publishes the empty reading. Only while no
// stream thread adds to it.
void LiveLoudnessRestart(LiveLoudness* live);

// Asks the stream thread to start over before its next buffer; from any thread.
void LiveLoudnessRequestReset(LiveLoudness* live);

// Adds frames of interleaved 16-bit stereo PCM and publishes a reading
// when kLiveLoudnessPublishFrames have passed since the last, or when
// frames is 0 and something is unpublished (a file's end: then every value
// is up to date, the gated ones too). Allocates nothing, takes no lock.
// Does nothing on a null or unprepared record.
void LiveLoudnessAdd(LiveLoudness* live, const void* samples, uint32_t frames);

// Copies the last published reading. Returns 1, or 0 for a null record.
int LiveLoudnessRead(const LiveLoudness* live, LoudnessReading* reading);
