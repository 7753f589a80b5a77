// A growable array of fixed-size records in one block: the wave device list
// and the toolkit's list controls keep their entries in it.
#pragma once

#include <cstdint>

constexpr uint32_t kRecordListBlock = 8192; // first allocation and growth unit

// Zero-filled when made; RecordListCreate allocates, RecordListFree releases.
struct RecordList {
    uint8_t* data;         // the block, or null
    uint32_t count;        // records stored
    uint32_t capacity;     // size of the block in bytes
    uint32_t recordSize;   // bytes per record
    uint32_t usedBytes;    // count x recordSize
    uint32_t freeBytes;    // capacity - usedBytes
    uint32_t lastFetched;  // 1-based index of the record last fetched, 0 = none
    uint32_t appendCount;  // count after the last append
};

// Clears the list and allocates kRecordListBlock bytes for records of
// recordSize bytes. Returns 1 on success; 0 when recordSize is 0 or the
// allocation fails (the list then has no block).
int RecordListCreate(RecordList* list, uint32_t recordSize);

// Copies one record to the end, growing the block by
// ((recordSize / 8192) + 1) x 8192 bytes when fewer than recordSize bytes are
// free. Returns the stored record, or null when the list has no block or
// growing fails (the list is then unchanged).
void* RecordListAppend(RecordList* list, const void* record);

// Returns record `index` (1-based) and remembers the index, or null for 0 or
// an index above the count.
void* RecordListFetch(RecordList* list, uint32_t index);

// Returns the number of records, 0 when the list has no block.
uint32_t RecordListCount(const RecordList* list);

// Frees the block and clears the list. Safe on a cleared or freed list.
void RecordListFree(RecordList* list);
