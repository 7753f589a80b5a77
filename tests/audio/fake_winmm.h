// A scriptable wave output device standing in for winmm; like Wine's driver,
// open, close and reset notify on the calling thread. Buffers complete by hand
// (Complete) or every completeMs on a worker thread.
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
