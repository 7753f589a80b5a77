// A scriptable wave output device for the device layer and streaming tests:
// it stands in for winmm through the platform table, behaves like Wine's
// driver (open, close and reset notify on the calling thread) and can refuse
// any call. Buffers complete by hand (Complete) or after a delay on a worker
// thread. It lists one input device but does not model input.
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
    // Script: results of the calls (MMSYSERR_NOERROR by default).
    MMRESULT openResult = MMSYSERR_NOERROR;
    MMRESULT prepareResult = MMSYSERR_NOERROR; // for the prepare call number failPrepareAt
    int failPrepareAt = -1;                    // 0-based prepare call that fails; -1 none
    MMRESULT writeResult = MMSYSERR_NOERROR;
    MMRESULT restartResult = MMSYSERR_NOERROR;
    int failAllocAt = -1;  // 0-based global allocation that fails; -1 none
    DWORD completeMs = 0;  // 0: buffers complete only through Complete()
    bool failCaps[2] = {}; // capability query of output device i fails
    bool mapperAnswers = true;

    // Counts of calls.
    std::atomic<int> opens{0}, closes{0}, prepares{0}, unprepares{0}, pauses{0}, resets{0},
        allocs{0}, threadsMade{0}, handlesClosed{0};
    std::vector<Written> written; // every accepted or refused write, in order

    // Completes the oldest queued buffer. Returns false when none is queued.
    bool Complete();
    size_t Queued();

    std::mutex mutex;
    std::deque<WAVEHDR*> queue;
    bool paused = false, quit = false;
    DWORD_PTR callback = 0, instance = 0;
    std::thread worker;
};

// Installs `device` as the platform table and removes it on destruction.
class Scope {
  public:
    explicit Scope(Device* device);
    ~Scope();

  private:
    WinmmTable table_;
};

} // namespace fakewinmm
