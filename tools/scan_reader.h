// Delivers a WAVE file's data to the scan in blocks of whole streaming
// buffers, each the bytes WaveFileRead gives for those buffers in turn.
//
// With read-ahead a thread of its own reads the next blocks while the scan
// measures the current one, through a second open of the file. Reading
// costs more than measuring, so the consumer does not wait for a block
// nobody has started: it reads that one itself. The two CPUs then share the
// reads, and when the read-ahead thread gets no CPU the scan goes on alone.
//
// Threads: the consumer owns the block Next handed it until the following
// Next or Finish, and its file; the read-ahead thread owns aheadFile. Both
// touch claimed, ready, consumed and stop only, atomically; a block is the
// reader's that claims it until its ready word says it is filled.
#pragma once

#include <atomic>
#include <cstdint>

#include "audio/wave_file.h"

struct SysEvent;
struct SysThread;

constexpr int kScanReaderBlocks = 3; // one measured, two read ahead

struct ScanReader {
    uint8_t* storage;                   // the blocks' one allocation
    uint8_t* blocks[kScanReaderBlocks]; // inside it, reused for every file
    uint32_t blockBuffers;              // buffers a block holds
    uint32_t bufferBytes;               // bytes of one streaming buffer
    SysEvent* filledEvent;              // set after the read-ahead thread filled a block
    SysEvent* freedEvent;               // set after the consumer gave a block back
    // Per file:
    WaveFile* file;                                 // the consumer's
    WaveFile aheadFile;                             // the read-ahead thread's open of the same file
    uint64_t buffers;                               // buffers to deliver in all
    uint64_t blockCount;                            // blocks to deliver in all
    uint64_t next;                                  // the block Next delivers next
    SysThread* thread;                              // the read-ahead thread, or null
    std::atomic<uint64_t> claimed;                  // blocks whose read has started, in order
    std::atomic<uint64_t> consumed;                 // blocks the consumer has given back
    std::atomic<uint64_t> ready[kScanReaderBlocks]; // 1 + the block each storage holds, once filled
    std::atomic<uint32_t> stop;                     // 1 = the read-ahead thread must end
};

// Prepares blocks of blockBuffers buffers of bufferBytes each (both at least
// 1) in a value-initialised reader. Returns 1 on success, 0 when memory is
// short (the reader is then freed).
int ScanReaderInit(ScanReader* reader, uint32_t bufferBytes, uint32_t blockBuffers);

// Frees the blocks and events. Safe on a zeroed or freed reader; not between
// Start and Finish.
void ScanReaderFree(ScanReader* reader);

// Starts delivering `buffers` buffers of the open file from frame 0; with
// readAhead, helped by a thread of its own (not when the file cannot be
// opened again or no thread can be made: the consumer then reads alone).
void ScanReaderStart(ScanReader* reader, WaveFile* file, uint64_t buffers, bool readAhead);

// Returns the next block and its buffer count in *count, or null once every
// buffer was delivered. Gives the previous block back.
const uint8_t* ScanReaderNext(ScanReader* reader, uint32_t* count);

// Ends the file: stops and waits for the read-ahead thread and closes its
// open of the file. Call before closing the file.
void ScanReaderFinish(ScanReader* reader);
