// Delivers a WAVE file's data to the scan in blocks of whole streaming
// buffers. With read-ahead a thread of its own fills the next blocks while
// the scan measures the current one, so reading and measuring overlap on
// two CPUs; without it each block is read when asked for. Either way the
// bytes are those of WaveFileRead called buffer after buffer.
//
// Threads: the blocks and the read-ahead thread are the reader's; the
// consumer owns the block Next handed it until the following Next or
// Finish. filled, consumed and stop are the only words both threads touch.
#pragma once

#include <atomic>
#include <cstdint>

struct SysEvent;
struct SysThread;
struct WaveFile;

constexpr int kScanReaderBlocks = 3; // one measured, one read, one spare

struct ScanReader {
    uint8_t* blocks[kScanReaderBlocks]; // reused for every file
    uint32_t blockBuffers;              // buffers a block holds
    uint32_t bufferBytes;               // bytes of one streaming buffer
    SysEvent* filledEvent;              // set after each block is filled
    SysEvent* freedEvent;               // set after each block is given back
    // Per file:
    WaveFile* file;
    uint64_t buffers;               // buffers to deliver in all
    uint64_t blockCount;            // blocks to deliver in all
    uint64_t next;                  // the block Next delivers next
    SysThread* thread;              // the read-ahead thread, or null
    std::atomic<uint64_t> filled;   // blocks the read-ahead thread has filled
    std::atomic<uint64_t> consumed; // blocks the consumer has given back
    std::atomic<uint32_t> stop;     // 1 = the read-ahead thread must end
};

// Prepares blocks of blockBuffers buffers of bufferBytes each (both at least
// 1). Returns 1 on success, 0 when memory is short (the reader is then freed).
int ScanReaderInit(ScanReader* reader, uint32_t bufferBytes, uint32_t blockBuffers);

// Frees the blocks and events. Safe on a zeroed or freed reader; not while a file is open in it.
void ScanReaderFree(ScanReader* reader);

// Starts delivering `buffers` buffers of file from its play position; with
// readAhead, on a thread of its own (without one when no thread can be made).
void ScanReaderStart(ScanReader* reader, WaveFile* file, uint64_t buffers, bool readAhead);

// Returns the next block and its buffer count in *count, or null once every
// buffer was delivered. Gives the previous block back.
const uint8_t* ScanReaderNext(ScanReader* reader, uint32_t* count);

// Ends the file: waits for the read-ahead thread (which stops early when
// blocks were left unread). Call before closing the file.
void ScanReaderFinish(ScanReader* reader);
