// The wave device layer: the platform's waveform audio devices behind one
// driver record with a table of eight operations, and the device list the
// driver takes its device from.
//
// Threads: the streaming thread calls every operation; the platform's
// notification handler only changes `queued` (atomically), the slots'
// dataReady flags and sets `event`; the user-interface thread calls
// RequestStop and builds and frees the device list. No wave call is made
// from the notification handler.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "audio/record_list.h"
#include "audio/stream_format.h"

enum WaveDirection : int32_t { kWaveInput = 1, kWaveOutput = 2 };
constexpr uint32_t kWaveDriverKindWinmm = 1;
constexpr int32_t kWaveMapperId = -1;

constexpr uint32_t kWaveSlotCount = 4;
constexpr uint32_t kWaveDefaultBytesPerBuffer = 17632;
constexpr uint32_t kWaveDefaultFramesPerBuffer = 4408;
constexpr uint32_t kWaveFrameGranularity = 4;
constexpr uint32_t kWaveErrorTextSize = 512;
constexpr uint32_t kWaveHeaderBlockSize = 64;
constexpr DWORD kWaveNotifyTimeoutMs = 1000;
constexpr uint32_t kWaveDisplayNameSize = 64;

extern const char kWaveNamePrefix[];        // "WIN : "
extern const char kWaveMapperName[];        // "Windows Wave Mapper"
extern const char kWaveCommunicationLost[]; // "Driver Communication lost..."

// One entry of the device list.
struct WaveDeviceRecord {
    uint32_t direction;                     // kWaveInput or kWaveOutput
    uint32_t driverKind;                    // kWaveDriverKindWinmm
    int32_t deviceId;                       // platform index, or kWaveMapperId
    uint32_t formats;                       // standard-format bit mask from the capabilities
    char displayName[kWaveDisplayNameSize]; // "WIN : " + product name, NUL-terminated
};

// One audio buffer of a driver. Both blocks are movable, zero-initialised,
// shareable global memory, locked for the life of the slot.
struct WaveBufferSlot {
    HGLOBAL headerMemory; // the 64-byte block holding the header
    WAVEHDR* header;      // locked header
    void* data;           // locked data block
    HGLOBAL dataMemory;   // 8 x bytes per buffer + 16 bytes
    uint32_t prepared;    // 1 while the header is prepared with the device
    uint32_t dataReady;   // input: 1 when the device has filled the slot
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(WaveBufferSlot) == 24, "WaveBufferSlot is six 32-bit words");
#endif

struct WaveDriver;

// The operation table. Results: 0 success, -1 failure unless stated.
struct WaveDriverOps {
    // Returns 1 when the device would accept the format, else 0.
    int (*QueryFormat)(WaveDriver* driver, const StreamFormat* format);
    // Returns 0 when opened (or already open), else the platform's error code.
    int (*Open)(WaveDriver* driver);
    void (*Close)(WaveDriver* driver);
    int (*Prepare)(WaveDriver* driver);
    void (*Unprepare)(WaveDriver* driver);
    void (*Stop)(WaveDriver* driver);
    int (*Start)(WaveDriver* driver);
    // Output: sends one buffer (null: silence). Input: hands an empty buffer
    // to the device and delivers the oldest filled one (or silence) into
    // `buffer` when given.
    int (*Transfer)(WaveDriver* driver, void* buffer);
};

struct WaveDriver {
    int32_t direction;        // kWaveInput or kWaveOutput
    WaveDriverOps ops;        // filled by SelectDevice for a winmm device
    uint32_t selectedDevice;  // 1-based among the list's records of this direction; 0 = none
    WaveDeviceRecord device;  // copy of the selected record
    StreamFormat format;      // 44100, 2, 16-bit by default
    HANDLE deviceHandle;      // HWAVEOUT or HWAVEIN while open
    WaveBufferSlot* slots;    // slotCount slots, or null
    uint32_t slotCount;       // kWaveSlotCount
    uint32_t running;         // 1 between Start and Stop
    uint32_t lost;            // 1 once a buffer was refused with lost detection on
    uint32_t open;            // 1 while the device is open
    uint32_t prepared;        // 1 while the slots exist and are prepared
    uint32_t bytesPerBuffer;
    uint32_t framesPerBuffer;
    uint32_t granularity;     // frames per buffer is a multiple of it
    volatile LONG queued;     // buffers at the device; Interlocked* only
    uint32_t writeIndex;      // next slot to hand to the device
    uint32_t failureCount;    // buffers the device refused
    uint32_t readIndex;       // input: next slot to deliver
    HANDLE event;             // manual reset; set by notifications and RequestStop
    uint32_t lostDetection;   // 1 = a refused buffer marks the driver lost
    char errorText[kWaveErrorTextSize];
};

// ---- Device list (user-interface thread) ----

// Reference-counted: the first call builds the list of input then output
// devices (each direction: the mapper first when it answers and a device
// exists, then the devices
// whose capability query succeeds). Returns 1 when the list exists, 0 when it
// could not be created (the reference is still counted).
int WaveDeviceListAcquire(HINSTANCE instance);

// Drops one reference; the list is freed when none is left.
void WaveDeviceListRelease();

// Returns the device list (empty, with no block, while not acquired).
RecordList* WaveDeviceList();

// ---- Driver ----

// Clears the driver, sets its defaults, creates the event and selects device
// 1 of the direction. Returns 1 on success, 0 when the event cannot be made or
// no device of the direction is listed.
int WaveDriverInit(WaveDriver* driver, int32_t direction);

// Selects the n-th device (1-based) of the driver's direction and fills the
// operation table for it. Returns 1 when selected (at once when n is already
// selected), 0 when no such device is listed (the selection is then unchanged).
int SelectDevice(WaveDriver* driver, uint32_t n);

// Stores the format and sizes the buffers for `latency` seconds. Returns 0 for
// a null driver or a format of unknown sample type (error text set), else 1
// (also for a driver kind other than winmm, which is left unchanged).
int SetFormatAndLatency(WaveDriver* driver, const StreamFormat* format, float latency);

// Closes the event, frees the slots and clears the driver. The device must be closed.
void WaveDriverDestroy(WaveDriver* driver);

uint32_t WaveGetFramesPerBuffer(const WaveDriver* driver);
uint32_t WaveGetBytesPerBuffer(const WaveDriver* driver);
// Returns the driver's last error text (empty when none).
const char* GetErrorText(const WaveDriver* driver);
void WaveClearErrorText(WaveDriver* driver);
void SetLostDetection(WaveDriver* driver, uint32_t on);
// Sets the event, so that a Transfer waiting for a free buffer wakes up.
void RequestStop(WaveDriver* driver);
// Returns the buffers queued at the device now.
LONG WaveQueued(const WaveDriver* driver);
