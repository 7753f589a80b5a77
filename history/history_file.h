// ".his" files: a 48-byte header, the cue records, then the history slots,
// all little-endian, written and read field by field on every build. Paths
// are UTF-8.
#pragma once

#include <cstdint>

#include "history/history_store.h"

constexpr int kHistoryFileHeaderSize = 48;
// Sample positions a file may hold, either way from 0: over 50 years at
// 44100 Hz, so every file a recording can make; beyond, the times shown
// (whole seconds in 32 bits) and a recording on top (64 bits) could wrap.
constexpr int64_t kHistoryPositionLimit = int64_t(1) << 46;
extern const char kHistoryFileSignature[16]; // "HistoryLevel-PX" and a NUL

// The header as it lies in the file.
struct HistoryFileHeader {
    char signature[16];   // kHistoryFileSignature
    int32_t sampleRate;   // the engine's sample rate at saving, truncated
    int32_t startTime;    // the history start time
    int32_t cueCount;     // cue records after the header
    int32_t recordCount;  // history slots after the cue records
    uint8_t reserved[16]; // zero
};
static_assert(sizeof(HistoryFileHeader) == kHistoryFileHeaderSize, "48-byte file header");

// What a successful read hands back for the engine to take over.
struct HistoryFileInfo {
    int32_t sampleRate;         // the file's sample rate
    int32_t startTime;          // becomes the engine's history start time
    int64_t lastSamplePosition; // becomes the engine's and the frame's samplePosition
};

// Saves the store's cues and slots (counts read once at the start, so a
// concurrent append is not included). Writes a temporary file beside path and
// replaces path with it only when complete, so a failure never damages an
// existing file and leaves no temporary behind. Returns 0 on success, -1 on
// failure (null store, empty history, cannot write, disk full).
int WriteHistory(const HistoryStore* store, const char* path, double sampleRate, int32_t startTime);

// Reads and validates path into incoming (a zeroed or freed store, allocated
// here only once the header, counts and file length check out). Returns -1 on
// failure (incoming left freed), 0 when the file's sample rate equals the
// engine's truncated rate, or the file's sample rate otherwise. On success
// incoming holds the history with the view at its end; the caller installs it
// with HistoryStoreSwap under its lock and frees what it swapped out.
int ReadHistoryInto(const char* path, double engineSampleRate, HistoryStore* incoming,
                    HistoryFileInfo* info);

// Both steps at once for a store that no other thread touches meanwhile.
// Same results as ReadHistoryInto. A failed read leaves store unchanged. On
// success the caller sets both zoom words to 1 and takes over info's start
// time and sample position.
int ReadHistory(HistoryStore* store, const char* path, double engineSampleRate,
                HistoryFileInfo* info);
