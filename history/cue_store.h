// Cue points: named marks on the history's time line, kept in the store's cue
// block sorted by samplePosition (equal positions in the order added).
//
// Only the user-interface thread changes the cues; the display thread reads
// them for drawing. Neither takes the engine lock for them.
#pragma once

#include <cstdint>

#include "history/history_store.h"

constexpr int kCueNameSize = 120;    // bytes of the name field, NUL included
constexpr int kCueNameMaxChars = 55; // longest name a user can give

// One cue point, laid out exactly so in memory and in ".his" files.
struct CueRecord {
    int64_t samplePosition;  // position of the history slot that was marked
    char name[kCueNameSize]; // NUL-terminated
};
static_assert(sizeof(CueRecord) == 128, "CueRecord is a 128-byte file record");

// Returns cueCount.
int32_t CueCount(const HistoryStore* store);

// Returns the k-th cue (1-based), or null when k < 1, k > cueCount or there
// is no cue block.
const CueRecord* CueAt(const HistoryStore* store, int32_t k);

// Returns cueSelected (1-based, 0 = none).
int32_t CueSelected(const HistoryStore* store);

// Writes the default name of cue number n ("Cue point n\xB0" and n) into
// out, which holds kCueNameSize bytes.
void CueDefaultName(char* out, int32_t n);

// Inserts a cue after every cue at or before samplePosition; the name is
// cut to kCueNameMaxChars characters. Selects it. Returns its 1-based index,
// or 0 when the block is full (kCueCapacity) or missing; then nothing changes.
int32_t CueInsert(HistoryStore* store, int64_t samplePosition, const char* name);

// Removes cue k (1-based), moving the later ones down; cueSelected is pulled
// back to cueCount when it points past the end. Returns 1 when removed, 0 when
// k is out of range (nothing changes). The caller repaints the meter window.
int DeleteCue(HistoryStore* store, int32_t k);

// Where the history view scrolls to show cue k (1-based) at zoom z: 50
// columns left of the right edge, or the end of the history when it does not
// reach that far. Returns the absolute scroll position, or -1 when there is
// nothing to do (k out of range, viewPos < 1, no history).
int32_t CueJumpTarget(const HistoryStore* store, int32_t k, int32_t zoom);
