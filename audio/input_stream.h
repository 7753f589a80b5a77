// Measuring the sound card's input: a time-critical thread takes buffer
// after buffer from the input driver and hands each to the meter engine's
// analysis and to the loudness meter, as the playing stream does with the
// file it plays. Nothing is played or written: the input is measured only.
// "Measure Input", "Stop Input", the Input menu's device items and the
// latency (which sizes the input's buffers too) act on the state below.
//
// Threads: the user-interface thread owns every field except where noted;
// while measuring, the input thread alone uses the driver's transfers, the
// work buffer and the counts. A device failure ends the thread, which posts
// notifyMessage to notifyWindow: the user-interface thread then joins it
// and tells the user (a sent message could wait for a thread that waits
// for us).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "audio/wave_device.h"

struct MeterEngine;
struct LiveLoudness;

// kLatencyKey: the chosen input device's display name, text.
constexpr char kInputDeviceValue[] = "InputDevice";
// How long a running device may send nothing before measuring stops,
// beyond the four buffers it holds.
constexpr DWORD kInputPatienceMs = 2000;
constexpr uint32_t kInputReasonSize = 320;

extern const char kNoInputDeviceText[]; // "No wave input device is available."
extern const char kInputFormatText[];   // the device refused 44100 Hz, 16-bit stereo
extern const char kInputSilentText[];   // the device stopped sending buffers

struct InputStream {
    WaveDriver driver{};                // the input driver, while driverReady
    uint32_t driverReady = 0;           // 1 when an input device was found
    float latency = 0.0f;               // seconds per buffer, from InputApplyLatency
    uint32_t bytesPerBuffer = 0;        // from the latency
    uint8_t* workBuffer = nullptr;      // bytesPerBuffer bytes
    std::atomic<uint32_t> measuring{0}; // 1 from "Measure Input" until it ends
    std::atomic<uint32_t> failed{0};    // the thread's: 1 when it ended on a device failure
    HANDLE thread = nullptr;            // the input thread, until joined
    DWORD threadId = 0;
    MeterEngine** engineSlot = nullptr; // the slot holding the engine pointer
    LiveLoudness* loudness = nullptr;   // fed every measured buffer, or null
    HWND notifyWindow = nullptr;        // told of a device failure
    UINT notifyMessage = 0;
    char failure[kInputReasonSize] = {}; // the thread's: why it ended, before it posts
    std::atomic<uint64_t> buffers{0};    // the thread's: buffers measured since the start
    std::atomic<uint32_t> lost{0};       // the thread's: buffers the device did not fill
};

// Takes input device 1 (when there is one) for the engine slot and the
// loudness meter; a failure is posted to notifyWindow as notifyMessage.
// Returns 1 when an input device exists. The device list must be acquired.
int InputStreamInit(InputStream* input, MeterEngine** engineSlot, LiveLoudness* loudness,
                    HWND notifyWindow, UINT notifyMessage);

// Stops measuring, closes the driver and frees the work buffer.
void InputStreamRelease(InputStream* input);

// Sizes the input's buffers for the latency. Returns 1, or 0 when the
// driver refuses or the work buffer cannot be allocated. Only while stopped.
int InputApplyLatency(InputStream* input, float latency);

// The input devices of the device list, counted from 1.
uint32_t InputDeviceCount();
// The n-th input device's name without the "WIN : " prefix, or "" when none.
const char* InputDeviceName(uint32_t n);

// Chooses the n-th input device. Returns 1 when chosen, 0 while measuring
// or when there is no such device.
int InputChooseDevice(InputStream* input, uint32_t n);

// Chooses the device named by "InputDevice" when it is listed. Returns 1
// when the stored choice was taken.
int InputLoadDevice(InputStream* input);

// Stores the chosen device's name as "InputDevice". Returns 1 on success.
int InputSaveDevice(const InputStream* input);

// Opens the chosen device at 44100 Hz, 16-bit stereo and starts it, with
// two buffers queued, without measuring yet. Returns 1; or 0 with the
// reason in reason (no device, the format refused, the device's own error
// text) and the device closed again.
int InputOpenDevice(InputStream* input, char reason[kInputReasonSize]);

// After InputOpenDevice: zeroes the analysis, restarts the loudness and
// starts the input thread. Returns 1; or 0 when no thread could be made
// (the device is closed again, reason says so).
int InputRun(InputStream* input, char reason[kInputReasonSize]);

// Ends measuring: clears the flag, wakes the thread, waits for it and
// closes its handle (also of a thread that ended by itself). The thread
// stops and closes the device. Does nothing when stopped.
void StopInput(InputStream* input);

// Returns 1 while measuring.
uint32_t InputIsMeasuring(const InputStream* input);
