// A scriptable wave output device standing in for winmm; like Wine's driver,
// open, close and reset notify on the calling thread. Buffers complete by hand
// (Complete) or every completeMs on a worker thread. With inputs set to 0 or
// more it stands in for the input devices too: once started, a worker fills
// one queued input buffer every inputMs with `level` on both channels (left
// positive, right negated when antiPhase).
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/winmm_table.h"

namespace fakewinmm {

struct Written {
    const WAVEHDR* header;
    std::vector<unsigned char> bytes; // the buffer as written
};

struct Device {
    MMRESULT openResult = MMSYSERR_NOERROR;
    MMRESULT prepareResult = MMSYSERR_NOERROR;
    MMRESULT writeResult = MMSYSERR_NOERROR;
    MMRESULT restartResult = MMSYSERR_NOERROR;
    bool failThread = false; // the next threads cannot be made
    int failAllocAt = -1;    // 0-based global allocation that fails; -1 none
    DWORD completeMs = 0;    // 0: buffers complete only through Complete()
    std::atomic<int> opens{0}, prepares{0}, pauses{0}, resets{0}, allocs{0}, threadsMade{0};
    std::vector<Written> written; // every accepted or refused write, in order

    // Input: -1 leaves the real input devices in place.
    int inputs = -1;
    bool refuseInputFormat = false; // the format query says no
    MMRESULT inOpenResult = MMSYSERR_NOERROR;
    MMRESULT addBufferResult = MMSYSERR_NOERROR;
    MMRESULT inStartResult = MMSYSERR_NOERROR;
    DWORD inputMs = 10;
    int16_t level = 1000;
    bool antiPhase = false;
    std::atomic<bool> inputStalled{false}; // the device stops filling (its server went away)
    std::atomic<int> inputsFilled{0}, inputOpens{0}, inputCloses{0};
    std::deque<WAVEHDR*> inputQueue;
    bool inputStarted = false;
    DWORD_PTR inCallback = 0, inInstance = 0;
    std::thread inputWorker;

    bool Complete(); // false when nothing is queued
    size_t Queued();

    std::mutex mutex;
    std::deque<WAVEHDR*> queue;
    bool paused = false, quit = false;
    DWORD_PTR callback = 0, instance = 0;
    std::thread worker;
};

class Scope {
  public:
    explicit Scope(Device* device);
    ~Scope();

  private:
    WinmmTable table_;
};

} // namespace fakewinmm
