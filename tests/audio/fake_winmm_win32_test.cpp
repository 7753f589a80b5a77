// The fake wave device (fake_winmm.h), built only into the Windows tests.
#include "tests/audio/fake_winmm.h"

#include <cstdio>

namespace fakewinmm {
namespace {

Device* g_device = nullptr;

HWAVEOUT Handle() {
    return reinterpret_cast<HWAVEOUT>(static_cast<uintptr_t>(0x5150));
}

void Notify(UINT message, DWORD_PTR param1) {
    Device* d = g_device;
    if (!d->callback) return;
    auto proc = reinterpret_cast<void(CALLBACK*)(HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)>(
        d->callback);
    proc(Handle(), message, d->instance, param1, 0);
}

void Finish(WAVEHDR* header) {
    header->dwFlags = (header->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
    Notify(WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
}

void Work() {
    Device* d = g_device;
    for (;;) {
        Sleep(d->completeMs);
        std::unique_lock<std::mutex> lock(d->mutex);
        if (d->quit) return;
        if (d->paused || d->queue.empty()) continue;
        WAVEHDR* h = d->queue.front();
        d->queue.pop_front();
        lock.unlock();
        Finish(h);
    }
}

UINT WINAPI OutNum() {
    return 2;
}
MMRESULT WINAPI OutCaps(UINT_PTR id, LPWAVEOUTCAPSA caps, UINT) {
    if (id == WAVE_MAPPER)
        std::snprintf(caps->szPname, MAXPNAMELEN, "Fake Mapper");
    else
        std::snprintf(caps->szPname, MAXPNAMELEN, "Fake %u", unsigned(id));
    caps->dwFormats = WAVE_FORMAT_4S16;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Open(LPHWAVEOUT h, UINT, LPCWAVEFORMATEX, DWORD_PTR callback, DWORD_PTR instance,
                     DWORD flags) {
    Device* d = g_device;
    if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
    if (d->openResult != MMSYSERR_NOERROR) return d->openResult;
    d->opens++;
    if (h) *h = Handle();
    d->callback = callback;
    d->instance = instance;
    d->paused = false;
    Notify(WOM_OPEN, 0);
    if (d->completeMs && !d->worker.joinable()) d->worker = std::thread(Work);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Close(HWAVEOUT) {
    Notify(WOM_CLOSE, 0);
    g_device->callback = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Prepare(HWAVEOUT, LPWAVEHDR header, UINT) {
    if (g_device->prepareResult != MMSYSERR_NOERROR) return g_device->prepareResult;
    g_device->prepares++;
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Unprepare(HWAVEOUT, LPWAVEHDR header, UINT) {
    header->dwFlags &= ~DWORD(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Write(HWAVEOUT, LPWAVEHDR header, UINT) {
    Device* d = g_device;
    std::lock_guard<std::mutex> guard(d->mutex);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(header->lpData);
    d->written.push_back({header, {bytes, bytes + header->dwBufferLength}});
    if (d->writeResult != MMSYSERR_NOERROR) return d->writeResult;
    header->dwFlags |= WHDR_INQUEUE;
    d->queue.push_back(header);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Pause(HWAVEOUT) {
    g_device->pauses++;
    std::lock_guard<std::mutex> guard(g_device->mutex);
    g_device->paused = true;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Restart(HWAVEOUT) {
    if (g_device->restartResult != MMSYSERR_NOERROR) return g_device->restartResult;
    std::lock_guard<std::mutex> guard(g_device->mutex);
    g_device->paused = false;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Reset(HWAVEOUT) {
    g_device->resets++;
    std::deque<WAVEHDR*> all;
    {
        std::lock_guard<std::mutex> guard(g_device->mutex);
        all.swap(g_device->queue);
    }
    for (WAVEHDR* h : all)
        Finish(h);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Text(MMRESULT error, LPSTR text, UINT size) {
    std::snprintf(text, size, "fake device error %u", error);
    return MMSYSERR_NOERROR;
}

HGLOBAL WINAPI Alloc(UINT flags, SIZE_T bytes) {
    if (g_device->allocs++ == g_device->failAllocAt) return nullptr;
    return GlobalAlloc(flags, bytes);
}

HANDLE WINAPI MakeThread(LPSECURITY_ATTRIBUTES sa, SIZE_T stack, LPTHREAD_START_ROUTINE proc,
                         LPVOID arg, DWORD flags, LPDWORD id) {
    if (g_device->failThread) return nullptr;
    HANDLE h = CreateThread(sa, stack, proc, arg, flags, id);
    if (h) g_device->threadsMade++;
    return h;
}

// ---- Input ----

HWAVEIN InHandle() {
    return reinterpret_cast<HWAVEIN>(static_cast<uintptr_t>(0x5151));
}

void InNotify(UINT message, DWORD_PTR param1) {
    Device* d = g_device;
    if (!d->inCallback) return;
    auto proc = reinterpret_cast<void(CALLBACK*)(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)>(
        d->inCallback);
    proc(InHandle(), message, d->inInstance, param1, 0);
}

void Fill(WAVEHDR* h, DWORD bytes) {
    Device* d = g_device;
    int16_t* s = reinterpret_cast<int16_t*>(h->lpData);
    for (DWORD i = 0; i + 1 < bytes / 2; i += 2) {
        s[i] = d->level;
        s[i + 1] = d->antiPhase ? int16_t(-d->level) : d->level;
    }
    h->dwBytesRecorded = bytes;
    h->dwFlags = (h->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
}

void InWork() {
    Device* d = g_device;
    for (;;) {
        Sleep(d->inputMs);
        std::unique_lock<std::mutex> lock(d->mutex);
        if (d->quit) return;
        if (!d->inputStarted || d->inputQueue.empty() || d->inputStalled) continue;
        WAVEHDR* h = d->inputQueue.front();
        d->inputQueue.pop_front();
        Fill(h, h->dwBufferLength);
        lock.unlock();
        d->inputsFilled++;
        InNotify(WIM_DATA, reinterpret_cast<DWORD_PTR>(h));
    }
}

UINT WINAPI InNum() {
    return UINT(g_device->inputs);
}
MMRESULT WINAPI InCaps(UINT_PTR id, LPWAVEINCAPSA caps, UINT) {
    if (id == WAVE_MAPPER)
        std::snprintf(caps->szPname, MAXPNAMELEN, "Fake Input Mapper");
    else
        std::snprintf(caps->szPname, MAXPNAMELEN, "Fake Input %u", unsigned(id));
    caps->dwFormats = WAVE_FORMAT_4S16;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InOpen(LPHWAVEIN h, UINT, LPCWAVEFORMATEX, DWORD_PTR callback, DWORD_PTR instance,
                       DWORD flags) {
    Device* d = g_device;
    if (flags & WAVE_FORMAT_QUERY) return d->refuseInputFormat ? WAVERR_BADFORMAT : 0;
    if (d->inOpenResult != MMSYSERR_NOERROR) return d->inOpenResult;
    d->inputOpens++;
    if (h) *h = InHandle();
    d->inCallback = callback;
    d->inInstance = instance;
    InNotify(WIM_OPEN, 0);
    if (!d->inputWorker.joinable()) d->inputWorker = std::thread(InWork);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InClose(HWAVEIN) {
    g_device->inputCloses++;
    InNotify(WIM_CLOSE, 0);
    g_device->inCallback = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InAdd(HWAVEIN, LPWAVEHDR header, UINT) {
    Device* d = g_device;
    if (d->addBufferResult != MMSYSERR_NOERROR) return d->addBufferResult;
    std::lock_guard<std::mutex> guard(d->mutex);
    header->dwFlags |= WHDR_INQUEUE;
    d->inputQueue.push_back(header);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InStart(HWAVEIN) {
    if (g_device->inStartResult != MMSYSERR_NOERROR) return g_device->inStartResult;
    std::lock_guard<std::mutex> guard(g_device->mutex);
    g_device->inputStarted = true;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InStop(HWAVEIN) {
    std::lock_guard<std::mutex> guard(g_device->mutex);
    g_device->inputStarted = false;
    return MMSYSERR_NOERROR;
}

// Hands every queued buffer back, as recorded so far (nothing).
MMRESULT WINAPI InReset(HWAVEIN) {
    std::deque<WAVEHDR*> all;
    {
        std::lock_guard<std::mutex> guard(g_device->mutex);
        all.swap(g_device->inputQueue);
        g_device->inputStarted = false;
    }
    for (WAVEHDR* h : all) {
        h->dwBytesRecorded = 0;
        h->dwFlags = (h->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
        InNotify(WIM_DATA, reinterpret_cast<DWORD_PTR>(h));
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InPrepare(HWAVEIN, LPWAVEHDR header, UINT) {
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InUnprepare(HWAVEIN, LPWAVEHDR header, UINT) {
    header->dwFlags &= ~DWORD(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

} // namespace

bool Device::Complete() {
    WAVEHDR* h = nullptr;
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (queue.empty()) return false;
        h = queue.front();
        queue.pop_front();
    }
    Finish(h);
    return true;
}

size_t Device::Queued() {
    std::lock_guard<std::mutex> guard(mutex);
    return queue.size();
}

Scope::Scope(Device* device) {
    g_device = device;
    const WinmmTable* real = WinmmRealTable();
    table_ = {OutNum,
              OutCaps,
              Open,
              Prepare,
              Unprepare,
              Write,
              Pause,
              Restart,
              Reset,
              Close,
              Text,
              real->inGetNumDevs,
              real->inGetDevCaps,
              real->inOpen,
              real->inPrepareHeader,
              real->inUnprepareHeader,
              real->inAddBuffer,
              real->inStart,
              real->inStop,
              real->inReset,
              real->inClose,
              real->inGetErrorText,
              Alloc,
              MakeThread,
              real->closeHandle};
    if (device->inputs >= 0) {
        table_.inGetNumDevs = InNum;
        table_.inGetDevCaps = InCaps;
        table_.inOpen = InOpen;
        table_.inPrepareHeader = InPrepare;
        table_.inUnprepareHeader = InUnprepare;
        table_.inAddBuffer = InAdd;
        table_.inStart = InStart;
        table_.inStop = InStop;
        table_.inReset = InReset;
        table_.inClose = InClose;
        table_.inGetErrorText = Text;
    }
    WinmmSetTable(&table_);
}

Scope::~Scope() {
    WinmmSetTable(nullptr);
    {
        std::lock_guard<std::mutex> guard(g_device->mutex);
        g_device->quit = true;
    }
    if (g_device->worker.joinable()) g_device->worker.join();
    if (g_device->inputWorker.joinable()) g_device->inputWorker.join();
    g_device = nullptr;
}

} // namespace fakewinmm
