// A WAVE file's data read in place: read-only mappings of the page cache
// instead of copies out of it, in windows of whole blocks. A thread of its
// own maps the windows ahead and enters their pages (the faults cost more
// than the copy saves when the consumer takes them), and unmaps each once
// the consumer has left it, so only a few windows are resident at a time.
// Without that thread, or while it lags, the consumer maps a window itself.
// Linux only: elsewhere ScanMappingStart fails and the reader copies.
//
// A mapped page that cannot be read any more (the file cut short, or a disk
// error, while it is scanned) raises SIGBUS. The process's handler puts a
// page of zeros in its place and marks the mapping failed, so the scan ends
// with an error instead of a crash.
//
// Threads: slots are the mapping thread's, own and current the consumer's;
// a slot's window is the consumer's to read from the time its ready word
// holds 1 + the window until it raises consumed past it. claimed, consumed,
// ready, stop and failed are atomic words both touch.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

struct SysEvent;
struct SysThread;

constexpr int kScanWindowSlots = 4; // one read, three mapped ahead

struct ScanWindow {
    uint8_t* base;         // the mapping, null when none
    size_t length;         // its bytes
    const uint8_t* blocks; // where its first block starts inside it
};

struct ScanMapping {
    int fd;                     // the file, open for reading
    uint64_t dataOffset;        // file offset of block 0
    size_t blockBytes;          // bytes of one block
    uint64_t blocks;            // blocks wholly inside the file: the mapped ones
    uint64_t windowBlocks;      // blocks of one window
    uint64_t windows;           // windows in all
    SysEvent* freedEvent;       // set after the consumer left a window
    SysThread* thread;          // the mapping thread, or null
    ScanWindow slots[kScanWindowSlots];
    ScanWindow own;             // a window the consumer mapped itself
    uint64_t current;           // 1 + the window the consumer reads, 0 = none yet
    const uint8_t* currentBlocks;
    std::atomic<uint64_t> claimed;                        // windows whose mapping has started
    std::atomic<uint64_t> consumed;                       // windows the consumer has left
    std::atomic<uint64_t> ready[kScanWindowSlots];        // 1 + the window each slot holds
    std::atomic<uint32_t> stop;                           // 1 = the mapping thread must end
    std::atomic<uint32_t> failed;                         // 1 = a mapped page could not be read
};

// Maps the whole blocks of blockBytes from dataOffset that lie inside both
// the first dataBytes and the file, at most maxBlocks, in windows of about
// windowBytes, with a mapping thread when mapAhead. freedEvent is the
// caller's, reset here. Returns the number of blocks it serves (0: none,
// the mapping is then not started and needs no finish).
uint64_t ScanMappingStart(ScanMapping* mapping, int fd, uint64_t dataOffset, uint64_t dataBytes,
                          size_t blockBytes, uint64_t maxBlocks, size_t windowBytes, bool mapAhead,
                          SysEvent* freedEvent);

// Block `index` (below the count Start returned), in ascending order; null
// when it could not be mapped (read it another way). Valid until the next
// call or Finish.
const uint8_t* ScanMappingBlock(ScanMapping* mapping, uint64_t index);

// Stops the mapping thread and unmaps everything. Returns 1 when every page
// read was the file's, 0 when one failed (its bytes were zeros).
int ScanMappingFinish(ScanMapping* mapping);
