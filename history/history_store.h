// The level history: one 40-byte slot per recorded display frame, held in a
// buffer of 432000 slots allocated once, plus the cue block that annotates it.
//
// Locking: the store takes no lock of its own. The engine that owns it holds
// the engine lock around HistoryAppend, HistoryReset, HistoryFollow,
// HistorySetZoom and HistoryStoreSwap; the user-interface thread reads the
// counts and slots without the lock (counts only grow between resets, and a
// slot is complete before the count that covers it is raised).
//
// Engine words that these operations leave to their caller: the recordOn and
// zoom words of both parameter copies, derivedValid, lostFrames, the frame's
// and the engine's samplePosition, the history start time and the sample rate.
#pragma once

#include <cstdint>

struct CueRecord; // history/cue_store.h

// One recorded frame, laid out exactly so in memory and in ".his" files.
struct HistoryRecord {
    int64_t samplePosition; // sample frames analysed since the last reset
    float peakL;            // left peak, linear amplitude
    float powerL;           // left mean square
    float averageL;         // left mean magnitude
    float peakR;            // right peak
    float powerR;           // right mean square
    float averageR;         // right mean magnitude
    float correlation;      // -1..+1; 0 for a mono stream
    uint32_t flags;         // kHistoryFlagLastSlot on the last slot of a recording run
};
static_assert(sizeof(HistoryRecord) == 40, "HistoryRecord is a 40-byte file record");

constexpr uint32_t kHistoryFlagLastSlot = 1;
constexpr uint32_t kHistoryCapacity = 432000; // 12 hours at 10 frames per second
constexpr int32_t kCueCapacity = 1024;        // records of the cue block

// The store. Zero-filled when made; HistoryStoreInit allocates, HistoryStoreFree
// releases. The buffers are fixed after init; the counts change under the
// engine lock (HistoryAppend may run on the display thread).
struct HistoryStore {
    HistoryRecord* history; // kHistoryCapacity slots, or null when allocation failed
    uint32_t capacity;      // kHistoryCapacity, or 0 without a buffer
    int32_t writeIndex;     // next slot to write; always equal to recordCount
    int32_t viewEnd;        // scroll position last set by following, scrolling or loading
    int32_t recordCount;    // slots in use
    int32_t viewPos;        // one past the newest slot shown; follows writeIndex while equal
    CueRecord* cues;        // the cue block, kCueCapacity records (history/cue_store.h)
    int32_t cueCount;       // cue records in use, 0..kCueCapacity
    int32_t cueSelected;    // 1-based index of the cue last added or chosen, 0 = none
};

// What the status panel shows.
struct HistoryStatus {
    int32_t recordCount;
    uint32_t capacity;
    int64_t currentSeconds; // the engine's sample position in whole seconds
    int64_t newestSeconds;  // the newest slot's time in whole seconds, 0 when empty
    int32_t startTime;      // the history start time, as given
};

// Allocates the cue block (if not yet there) and a zeroed history buffer, and
// empties the store. Returns 1 when both buffers exist, 0 when an allocation
// failed (on a fresh store history then stays null and capacity 0; a buffer
// allocated before stays in place).
int HistoryStoreInit(HistoryStore* store);

// Frees both buffers and zeroes the store. Safe on a zeroed or freed store.
void HistoryStoreFree(HistoryStore* store);

// Exchanges the whole contents of two stores (buffers and counts): installs a
// history read elsewhere without copying 17 MB. Call under the engine lock.
void HistoryStoreSwap(HistoryStore* a, HistoryStore* b);

// Copies record into slot writeIndex; the view follows when viewPos equals
// writeIndex. Returns 1 when stored, 0 when dropped (full store, no buffer).
int HistoryAppend(HistoryStore* store, const HistoryRecord* record);

// The store's part of switching recording: switching off (on == 0) marks the
// newest slot with kHistoryFlagLastSlot. The caller writes the recordOn words
// (under its lock) and calls this after the lock.
void HistorySetRecording(HistoryStore* store, int on);

// Puts the view at the newest slot: viewPos = viewEnd = recordCount. The
// caller sets the zoom of the first parameter copy to 1 and repaints.
void HistoryFollow(HistoryStore* store);

// Empties the store and its cues (counts only; the slot and name bytes stay).
// The caller zeroes lostFrames and both samplePositions; the start time and
// the record switch are left alone.
void HistoryReset(HistoryStore* store);

// Aligns viewPos for zoom z (slots per pixel column): viewEnd rounded down to
// a multiple of z. A zoom below 1 counts as 1. The caller writes z into both
// zoom words and clears derivedValid.
void HistorySetZoom(HistoryStore* store, int32_t zoom);

// The zoom to compute with, from the first parameter copy's zoom word: the
// word itself, or 1 when it is below 1 (a zero would divide by zero).
int32_t HistoryGetZoom(int32_t zoomWord);

// The status panel's figures. Seconds are sample positions divided by the
// sample rate truncated to an integer; both are 0 when that rate is below 1.
HistoryStatus HistoryQueryStatus(const HistoryStore* store, int64_t samplePosition,
                                 double sampleRate, int32_t startTime);
