// The fake wave device (fake_winmm.h); named like a test file so that only
// the Windows test program builds it.
#include "tests/audio/fake_winmm.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace fakewinmm {
namespace {

Device* g_device = nullptr;

HWAVEOUT OutHandle() {
    return reinterpret_cast<HWAVEOUT>(static_cast<uintptr_t>(0x5150));
}
HWAVEIN InHandle() {
    return reinterpret_cast<HWAVEIN>(static_cast<uintptr_t>(0x5151));
}

void Notify(UINT message, DWORD_PTR param1) {
    Device* d = g_device;
    if (!d->callback) return;
    if (d->input) {
        auto proc = reinterpret_cast<void(CALLBACK*)(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)>(
            d->callback);
        proc(InHandle(), message, d->instance, param1, 0);
    } else {
        auto proc = reinterpret_cast<void(CALLBACK*)(HWAVEOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)>(
            d->callback);
        proc(OutHandle(), message, d->instance, param1, 0);
    }
}

// Marks a header done and notifies, outside the fake's mutex.
void Finish(WAVEHDR* header) {
    Device* d = g_device;
    header->dwFlags = (header->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
    if (d->input && d->inputFills)
        std::memset(header->lpData, static_cast<int>(header->dwUser + 1), header->dwBufferLength);
    Notify(d->input ? WIM_DATA : WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
}

void Work() {
    Device* d = g_device;
    std::unique_lock<std::mutex> lock(d->mutex);
    while (!d->quit) {
        if (d->queue.empty() || d->paused) {
            d->wake.wait_for(lock, std::chrono::milliseconds(5));
            continue;
        }
        lock.unlock();
        Sleep(d->completeMs);
        lock.lock();
        if (d->queue.empty() || d->paused) continue;
        WAVEHDR* h = d->queue.front();
        d->queue.pop_front();
        lock.unlock();
        Finish(h);
        lock.lock();
    }
}

MMRESULT Open(DWORD_PTR callback, DWORD_PTR instance, DWORD flags, bool input) {
    Device* d = g_device;
    if (flags & WAVE_FORMAT_QUERY) return d->openResult;
    d->opens++;
    if (d->openResult != MMSYSERR_NOERROR) return d->openResult;
    d->callback = callback;
    d->instance = instance;
    d->input = input;
    d->paused = false;
    Notify(input ? WIM_OPEN : WOM_OPEN, 0);
    if (d->completeMs && !d->worker.joinable()) d->worker = std::thread(Work);
    return MMSYSERR_NOERROR;
}

MMRESULT Close() {
    Device* d = g_device;
    d->closes++;
    Notify(d->input ? WIM_CLOSE : WOM_CLOSE, 0);
    d->callback = 0;
    return MMSYSERR_NOERROR;
}

MMRESULT Prepare(LPWAVEHDR header) {
    Device* d = g_device;
    int n = d->prepares++;
    if (n == d->failPrepareAt) return d->prepareResult;
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(LPWAVEHDR header) {
    g_device->unprepares++;
    header->dwFlags &= ~DWORD(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT Write(LPWAVEHDR header) {
    Device* d = g_device;
    d->writes++;
    {
        std::lock_guard<std::mutex> guard(d->mutex);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(header->lpData);
        d->written.push_back({header, {bytes, bytes + header->dwBufferLength}});
        if (d->writeResult != MMSYSERR_NOERROR) return d->writeResult;
        header->dwFlags |= WHDR_INQUEUE;
        d->queue.push_back(header);
    }
    d->wake.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT Pause() {
    Device* d = g_device;
    d->pauses++;
    std::lock_guard<std::mutex> guard(d->mutex);
    d->paused = true;
    return MMSYSERR_NOERROR;
}

MMRESULT Restart() {
    Device* d = g_device;
    d->restarts++;
    if (d->restartResult != MMSYSERR_NOERROR) return d->restartResult;
    {
        std::lock_guard<std::mutex> guard(d->mutex);
        d->paused = false;
    }
    d->wake.notify_all();
    return MMSYSERR_NOERROR;
}

// As under Wine: every queued buffer comes back on the calling thread.
MMRESULT Reset() {
    Device* d = g_device;
    d->resets++;
    std::deque<WAVEHDR*> all;
    {
        std::lock_guard<std::mutex> guard(d->mutex);
        all.swap(d->queue);
    }
    for (WAVEHDR* h : all) Finish(h);
    return MMSYSERR_NOERROR;
}

MMRESULT ErrorText(MMRESULT error, LPSTR text, UINT size) {
    std::snprintf(text, size, "fake device error %u", error);
    return MMSYSERR_NOERROR;
}

MMRESULT Caps(UINT_PTR id, char* name, DWORD* formats) {
    Device* d = g_device;
    if (id == WAVE_MAPPER) {
        if (!d->mapperAnswers) return MMSYSERR_BADDEVICEID;
        std::snprintf(name, MAXPNAMELEN, "Fake Mapper");
    } else {
        if (id < 4 && d->failCaps[id]) return MMSYSERR_NODRIVER;
        std::snprintf(name, MAXPNAMELEN, "Fake %u", unsigned(id));
    }
    *formats = WAVE_FORMAT_4S16;
    return MMSYSERR_NOERROR;
}

UINT WINAPI OutNum() { return g_device->outDevices; }
UINT WINAPI InNum() { return g_device->inDevices; }
MMRESULT WINAPI OutCaps(UINT_PTR id, LPWAVEOUTCAPSA caps, UINT) {
    return Caps(id, caps->szPname, &caps->dwFormats);
}
MMRESULT WINAPI InCaps(UINT_PTR id, LPWAVEINCAPSA caps, UINT) {
    return Caps(id, caps->szPname, &caps->dwFormats);
}
MMRESULT WINAPI OutOpen(LPHWAVEOUT h, UINT, LPCWAVEFORMATEX, DWORD_PTR cb, DWORD_PTR inst,
                        DWORD flags) {
    MMRESULT r = Open(cb, inst, flags, false);
    if (h && r == MMSYSERR_NOERROR) *h = OutHandle();
    return r;
}
MMRESULT WINAPI InOpen(LPHWAVEIN h, UINT, LPCWAVEFORMATEX, DWORD_PTR cb, DWORD_PTR inst,
                       DWORD flags) {
    MMRESULT r = Open(cb, inst, flags, true);
    if (h && r == MMSYSERR_NOERROR) *h = InHandle();
    return r;
}
template <typename H> MMRESULT WINAPI HPrepare(H, LPWAVEHDR h, UINT) { return Prepare(h); }
template <typename H> MMRESULT WINAPI HUnprepare(H, LPWAVEHDR h, UINT) { return Unprepare(h); }
template <typename H> MMRESULT WINAPI HWrite(H, LPWAVEHDR h, UINT) { return Write(h); }
template <typename H> MMRESULT WINAPI HPause(H) { return Pause(); }
template <typename H> MMRESULT WINAPI HRestart(H) { return Restart(); }
template <typename H> MMRESULT WINAPI HReset(H) { return Reset(); }
template <typename H> MMRESULT WINAPI HClose(H) { return Close(); }
MMRESULT WINAPI Text(MMRESULT e, LPSTR t, UINT n) { return ErrorText(e, t, n); }
HGLOBAL WINAPI Alloc(UINT flags, SIZE_T bytes) {
    int n = g_device->allocs++;
    if (n == g_device->failAllocAt) return nullptr;
    return GlobalAlloc(flags, bytes);
}
HANDLE WINAPI MakeThread(LPSECURITY_ATTRIBUTES sa, SIZE_T stack, LPTHREAD_START_ROUTINE proc,
                         LPVOID arg, DWORD flags, LPDWORD id) {
    if (g_device->failCreateThread) return nullptr;
    HANDLE h = CreateThread(sa, stack, proc, arg, flags, id);
    if (h) {
        g_device->threadsMade++;
        std::lock_guard<std::mutex> guard(g_device->mutex);
        g_device->threads.push_back(h);
    }
    return h;
}
BOOL WINAPI CloseCounted(HANDLE h) {
    g_device->handlesClosed++;
    return CloseHandle(h);
}

const WinmmTable kFakeTable = {
    OutNum, OutCaps, OutOpen, HPrepare<HWAVEOUT>, HUnprepare<HWAVEOUT>, HWrite<HWAVEOUT>,
    HPause<HWAVEOUT>, HRestart<HWAVEOUT>, HReset<HWAVEOUT>, HClose<HWAVEOUT>, Text,
    InNum, InCaps, InOpen, HPrepare<HWAVEIN>, HUnprepare<HWAVEIN>, HWrite<HWAVEIN>,
    HRestart<HWAVEIN>, /* inStop */ HPause<HWAVEIN>, HReset<HWAVEIN>, HClose<HWAVEIN>, Text,
    Alloc, MakeThread, CloseCounted,
};

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
    table_ = kFakeTable;
    WinmmSetTable(&table_);
}

Scope::~Scope() {
    WinmmSetTable(nullptr);
    {
        std::lock_guard<std::mutex> guard(g_device->mutex);
        g_device->quit = true;
    }
    if (g_device->worker.joinable()) g_device->worker.join();
    g_device = nullptr;
}

} // namespace fakewinmm
