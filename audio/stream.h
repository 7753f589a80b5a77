// The streaming thread and the latency setting: one time-critical thread
// reads the loaded WAVE file buffer by buffer, hands each buffer to the meter
// engine's analysis and then queues it at the output driver. "Play", "Stop",
// "Zero" and the Latency items act on the state below; the main window's
// command dispatcher calls them.
//
// Threads: the user-interface thread owns every field except where noted;
// while a stream runs the streaming thread alone uses the file, the work
// buffer and the stats.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "audio/stream_format.h"
#include "audio/wave_device.h"
#include "audio/wave_file.h"

struct MeterEngine;
struct LiveLoudness;

extern const char kInitErrorTitle[];      // "Init Error"
extern const char kChangeLatencyTitle[];  // "Change Latency"
extern const char kChangeLatencyText[];   // "Cannot change latency during play...\n..."

// What the streaming thread counts, for tests and measurements.
struct StreamStats {
    std::atomic<uint64_t> buffers{0}; // buffers read and measured this stream
    int64_t* stamps = nullptr;        // optional: performance counter after each Transfer
    uint32_t stampCapacity = 0;       // entries of stamps
    uint64_t threadCpu100ns = 0;      // the thread's kernel + user time at its end
};

struct StreamContext {
    float latency = kDefaultLatency;          // seconds per buffer
    StreamFormat format = kProgramStreamFormat;
    uint32_t framesPerBuffer = 0;             // copied from the driver by ApplyLatency
    uint32_t bytesPerBuffer = 0;
    uint8_t* workBuffer = nullptr;            // bytesPerBuffer bytes, from ApplyLatency
    std::atomic<uint32_t> streaming{0};       // 1 from "Play" until the stream ends
    HANDLE thread = nullptr;                  // the streaming thread, until joined
    DWORD threadId = 0;
    uint32_t selectingFile = 0;               // 1 while "Select Wav File" is under way
    WaveDriver* driver = nullptr;             // the output driver
    WaveFile* file = nullptr;                 // the loaded WAVE file
    MeterEngine** engineSlot = nullptr;       // the slot holding the engine pointer (may hold null)
    LiveLoudness* loudness = nullptr;         // fed the file's frames of every measured buffer, or null
    StreamStats stats;
};

// Points the stream at the program-wide driver, file and engine slot.
void StreamInit(StreamContext* stream, WaveDriver* driver, WaveFile* file,
                MeterEngine** engineSlot);

// Stops a running stream and frees the work buffer.
void StreamRelease(StreamContext* stream);

// Sizes the driver's buffers for the latency and replaces the work buffer.
// Returns 1 on success; 0 when the driver refuses or the allocation fails,
// after an "Init Error" box owned by `owner` showing the driver's error text.
int ApplyLatency(StreamContext* stream, HWND owner);

// "Play": seeks the file to 0, zeroes the analysis, sets the streaming flag
// and starts the thread. Returns 1 when a thread was started; 0 when ignored
// (file selection under way, already streaming, no open file or no work
// buffer) or when no thread could be made (the flag is then cleared).
int StartStream(StreamContext* stream);

// Ends a running stream: clears the flag, wakes a waiting Transfer, waits for
// the thread and closes its handle. Also releases the handle of a stream that
// ended by itself. Does nothing when stopped.
void StopStream(StreamContext* stream);

// "Stop" and "Zero": StopStream, then seek the file to 0. Returns 1 when it
// acted, 0 when ignored (file selection under way, not streaming, no file).
int StreamStopAction(StreamContext* stream);

// A Latency menu item. While streaming shows "Change Latency" (owned by
// mainWindow) and changes nothing; otherwise sets the item's latency and
// applies it, posting WM_CLOSE to mainWindow when that fails. Returns 1 when
// the latency was applied, 0 otherwise (also for an unknown item id).
int StreamChooseLatency(StreamContext* stream, HWND mainWindow, int menuId);

// Checks the Latency item whose value equals the latency exactly and
// unchecks the other four.
void StreamCheckLatencyItems(const StreamContext* stream, HMENU menu);

// Reads "LatencyTime"; takes it when read with exactly 4 bytes and within
// 0.02..0.2, else sets the default 0.1. Returns 1 when the stored value was taken.
int StreamLoadLatency(StreamContext* stream);

// Writes the latency as "LatencyTime". Returns 1 on success, 0 on failure.
int StreamSaveLatency(const StreamContext* stream);

// Returns 1 while the streaming flag is set.
uint32_t StreamIsStreaming(const StreamContext* stream);
