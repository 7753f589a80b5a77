// Delivers a file's sound to the scan in blocks of whole streaming buffers:
// for the program's own format the bytes WaveFileRead gives for those
// buffers in turn; for any other file the float frames SoundFileRead
// decodes (every channel), silence past the frames the file holds.
//
// With read-ahead a thread of its own reads the next blocks into the slots
// while the scan measures the current one, through a second open of the
// file. Reading costs more than measuring, so the consumer never sleeps on
// a block: one nobody has started it reads itself into a block of its own;
// while the read-ahead thread reads the one it needs, it reads the next
// unclaimed block ahead into its other own block; and after a short spin it
// reads the needed one itself (on a busy machine that thread may have lost
// its CPU for milliseconds). The two CPUs then share the reads, and without
// the second one the scan goes on alone.
//
// Threads: the slots are written by the read-ahead thread only, a slot from
// the claim of its block until its ready word holds 1 + the block; the own
// blocks and file are the consumer's, aheadFile the read-ahead thread's. A
// block is read by the one thread that claimed it (or, stolen, by the
// consumer into an own block). The consumer owns the block Next handed it
// until the following Next or Finish. claimed, ready, consumed and stop are
// atomic words both touch.
#pragma once

#include <atomic>
#include <cstdint>

#include "audio/sound_file.h"
#include "audio/wave_file.h"

struct SysEvent;
struct SysThread;

constexpr int kScanReaderSlots = 4; // one measured, three read ahead

struct SoundOtherOps;

struct ScanReader {
    uint8_t* storage;                 // one allocation for the slots and the own blocks
    uint8_t* slots[kScanReaderSlots]; // the read-ahead thread's blocks, reused for every file
    uint8_t* own[2];                  // the consumer's blocks for what it reads itself
    size_t blockRoom;                 // bytes each block has room for
    SysEvent* freedEvent;             // set after the consumer gave a block back
    uint32_t programBufferBytes;      // the program's format: a buffer's bytes from Init
    uint32_t programBlockBuffers;     // and the buffers a block holds
    // Per file:
    uint32_t blockBuffers;       // buffers a block holds
    uint32_t bufferBytes;        // bytes of one streaming buffer
    WaveFile* file;              // the consumer's, for the program's format; or null
    SoundFile* sound;            // the consumer's, for any other; or null
    WaveFile aheadFile;          // the read-ahead thread's open of the same file
    SoundFile aheadSound;        // the same for a sound file
    const SoundOtherOps* others; // how the sound file was opened
    const char* path;            // and where it is
    // NaN and infinite samples the read that filled each block met: the
    // slots' (written before their ready word), then the own blocks'.
    uint64_t blockInvalid[kScanReaderSlots + 2];
    uint64_t invalidSamples; // in the blocks delivered since the start
    uint64_t buffers;        // buffers to deliver in all
    uint64_t blockCount;     // blocks to deliver in all
    uint64_t next;           // the block Next delivers next
    uint64_t ahead;          // 1 + the block the consumer read ahead into own[aheadOwn], 0 = none
    int aheadOwn;            // which own block holds it
    SysThread* thread;       // the read-ahead thread, or null
    std::atomic<uint64_t> claimed;                 // blocks whose read has started, in order
    std::atomic<uint64_t> consumed;                // blocks the consumer has given back
    std::atomic<uint64_t> ready[kScanReaderSlots]; // 1 + the block each slot holds, once filled
    std::atomic<uint32_t> stop;                    // 1 = the read-ahead thread must end
};

// Prepares blocks of blockBuffers buffers of bufferBytes each (both at least
// 1) in a value-initialised reader; a sound file's blocks take the same room
// (more, for a buffer that needs it). Returns 1 on success, 0 when memory is
// short (the reader is then freed).
int ScanReaderInit(ScanReader* reader, uint32_t bufferBytes, uint32_t blockBuffers);

// Frees the blocks and the event. Safe on a zeroed or freed reader; not
// between Start and Finish.
void ScanReaderFree(ScanReader* reader);

// Starts delivering `buffers` buffers of the open file from frame 0; with
// readAhead, helped by a thread of its own (not when the file cannot be
// opened again or no thread can be made: the consumer then reads alone).
void ScanReaderStart(ScanReader* reader, WaveFile* file, uint64_t buffers, bool readAhead);

// The same for a sound file opened at `path` with `others`, in buffers of
// bufferFrames frames of all its channels as floats. Returns 1, or 0 when
// memory for a buffer that large is short (nothing is delivered then).
int ScanReaderStartSound(ScanReader* reader, SoundFile* sound, const char* path,
                         const SoundOtherOps* others, uint32_t bufferFrames, uint64_t buffers,
                         bool readAhead);

// Returns the next block and its buffer count in *count, or null once every
// buffer was delivered. Gives the previous block back.
const uint8_t* ScanReaderNext(ScanReader* reader, uint32_t* count);

// Ends the file: stops and waits for the read-ahead thread and closes its
// open of the file. Call before closing the file.
void ScanReaderFinish(ScanReader* reader);
