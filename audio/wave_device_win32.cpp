#include "audio/wave_device.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/winmm_table.h"

const char kWaveNamePrefix[] = "WIN : ";
const char kWaveMapperName[] = "Windows Wave Mapper";
const char kWaveCommunicationLost[] = "Driver Communication lost...";

namespace {

constexpr UINT kHeaderSize = sizeof(WAVEHDR);
constexpr UINT kErrorTextLimit = 256; // 255 characters and the terminator

RecordList g_devices;
int g_deviceUsers;

// ---- Helpers ----

HWAVEOUT OutHandle(const WaveDriver* d) {
    return static_cast<HWAVEOUT>(d->deviceHandle);
}

HWAVEIN InHandle(const WaveDriver* d) {
    return static_cast<HWAVEIN>(d->deviceHandle);
}

void StoreError(WaveDriver* d, MMRESULT code) {
    char text[kErrorTextLimit] = {};
    const WinmmTable* mm = Winmm();
    MMRESULT got = d->direction == kWaveInput ? mm->inGetErrorText(code, text, kErrorTextLimit)
                                               : mm->outGetErrorText(code, text, kErrorTextLimit);
    if (got != MMSYSERR_NOERROR) std::snprintf(text, sizeof text, "Wave device error %u", code);
    std::snprintf(d->errorText, sizeof d->errorText, "%s", text);
}

void BuildFormat(const StreamFormat* f, WAVEFORMATEX* out) {
    uint32_t bytesPerSample = StreamBytesPerSample(f->sampleType);
    *out = WAVEFORMATEX{};
    out->wFormatTag = StreamFormatTag(f->sampleType);
    out->nChannels = static_cast<WORD>(f->channels);
    out->nSamplesPerSec = f->sampleRate;
    out->wBitsPerSample = static_cast<WORD>(bytesPerSample * 8);
    out->nBlockAlign = static_cast<WORD>(f->channels * bytesPerSample);
    out->nAvgBytesPerSec = out->nBlockAlign * f->sampleRate;
    out->cbSize = 0;
}

// Waits for an open or close notification; a missing one is not an error.
void WaitNotification(WaveDriver* d) {
    WaitForSingleObject(d->event, kWaveNotifyTimeoutMs);
    ResetEvent(d->event);
}

void FreeBlock(HGLOBAL memory) {
    if (!memory) return;
    GlobalUnlock(memory);
    GlobalFree(memory);
}

void FreeSlots(WaveDriver* d) {
    if (!d->slots) return;
    for (uint32_t i = 0; i < d->slotCount; ++i) {
        FreeBlock(d->slots[i].headerMemory);
        FreeBlock(d->slots[i].dataMemory);
    }
    std::free(d->slots);
    d->slots = nullptr;
}

// Allocates and locks both blocks of every slot. Returns 1, or 0 with no slot left.
int AllocateSlots(WaveDriver* d) {
    FreeSlots(d);
    d->slots = static_cast<WaveBufferSlot*>(std::calloc(d->slotCount, sizeof(WaveBufferSlot)));
    if (!d->slots) return 0;
    const UINT flags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE;
    const WinmmTable* mm = Winmm();
    for (uint32_t i = 0; i < d->slotCount; ++i) {
        WaveBufferSlot* s = &d->slots[i];
        s->headerMemory = mm->globalAlloc(flags, kWaveHeaderBlockSize);
        s->dataMemory = mm->globalAlloc(flags, SIZE_T(8) * d->bytesPerBuffer + 16);
        if (s->headerMemory) s->header = static_cast<WAVEHDR*>(GlobalLock(s->headerMemory));
        if (s->dataMemory) s->data = GlobalLock(s->dataMemory);
        if (!s->header || !s->data) {
            FreeSlots(d);
            return 0;
        }
    }
    return 1;
}

void PointHeaders(WaveDriver* d) {
    for (uint32_t i = 0; i < d->slotCount; ++i) {
        WaveBufferSlot* s = &d->slots[i];
        s->prepared = 0;
        s->dataReady = 0;
        *s->header = WAVEHDR{};
        s->header->lpData = static_cast<LPSTR>(s->data);
        s->header->dwBufferLength = d->bytesPerBuffer;
        s->header->dwUser = i; // lets the input notification find its slot
    }
}

void ResetCounters(WaveDriver* d) {
    InterlockedExchange(&d->queued, 0);
    d->writeIndex = 0;
    d->failureCount = 0;
    d->readIndex = 0;
}

// Waits until the device has answered for every buffer, so that no late
// notification reaches freed slots; bounded, like the open and close waits.
void DrainNotifications(WaveDriver* d) {
    DWORD start = GetTickCount();
    while (WaveQueued(d) > 0 && GetTickCount() - start < kWaveNotifyTimeoutMs) Sleep(1);
}

// Step 5 of Transfer: a refused buffer.
void BufferRefused(WaveDriver* d) {
    InterlockedDecrement(&d->queued);
    d->failureCount += 1;
    d->writeIndex = (d->writeIndex + d->slotCount - 1) % d->slotCount;
    if (d->lostDetection) {
        std::snprintf(d->errorText, sizeof d->errorText, "%s", kWaveCommunicationLost);
        d->lost = 1;
    }
}

// Waits while two buffers are queued. The event is reset first and the count
// read again, so a completion between the two cannot be missed.
void WaitForFreeBuffer(WaveDriver* d) {
    if (WaveQueued(d) <= 1) return;
    ResetEvent(d->event);
    if (WaveQueued(d) > 1) WaitForSingleObject(d->event, INFINITE);
}

// ---- Notifications: count and signal, nothing else ----

void CALLBACK OutNotify(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    WaveDriver* d = reinterpret_cast<WaveDriver*>(instance);
    if (message == WOM_DONE) InterlockedDecrement(&d->queued);
    if (message == WOM_DONE || message == WOM_OPEN || message == WOM_CLOSE) SetEvent(d->event);
}

void CALLBACK InNotify(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    WaveDriver* d = reinterpret_cast<WaveDriver*>(instance);
    if (message == WIM_DATA) {
        // The returned header names its slot, so buffers that come back
        // before the reader catches up still mark the right slot.
        const WAVEHDR* header = reinterpret_cast<const WAVEHDR*>(param1);
        WaveBufferSlot* slots = d->slots;
        if (header && slots && header->dwUser < d->slotCount) slots[header->dwUser].dataReady = 1;
        InterlockedDecrement(&d->queued);
    }
    if (message == WIM_DATA || message == WIM_OPEN || message == WIM_CLOSE) SetEvent(d->event);
}

// ---- Slots and closing, shared by both directions ----

// The header calls of one direction, so that the slots are prepared and
// given back by one piece of code for both.
typedef MMRESULT (*HeaderCall)(const WaveDriver* d, WAVEHDR* header);

MMRESULT OutPrepareHeader(const WaveDriver* d, WAVEHDR* h) {
    return Winmm()->outPrepareHeader(OutHandle(d), h, kHeaderSize);
}
MMRESULT OutUnprepareHeader(const WaveDriver* d, WAVEHDR* h) {
    return Winmm()->outUnprepareHeader(OutHandle(d), h, kHeaderSize);
}
MMRESULT InPrepareHeader(const WaveDriver* d, WAVEHDR* h) {
    return Winmm()->inPrepareHeader(InHandle(d), h, kHeaderSize);
}
MMRESULT InUnprepareHeader(const WaveDriver* d, WAVEHDR* h) {
    return Winmm()->inUnprepareHeader(InHandle(d), h, kHeaderSize);
}

// Allocates and prepares every slot. Returns 1 on success; on any failure
// gives back what was prepared and frees the slots, so nothing outlives it.
int PrepareSlots(WaveDriver* d, HeaderCall prepare, HeaderCall unprepare) {
    if (!AllocateSlots(d)) return 0;
    d->prepared = 1;
    ResetCounters(d);
    PointHeaders(d);
    int failed = 0;
    for (uint32_t i = 0; i < d->slotCount; ++i) {
        MMRESULT r = prepare(d, d->slots[i].header);
        if (r == MMSYSERR_NOERROR) {
            d->slots[i].prepared = 1;
        } else {
            StoreError(d, r);
            failed = 1;
        }
    }
    if (!failed) return 1;
    for (uint32_t i = 0; i < d->slotCount; ++i)
        if (d->slots[i].prepared) unprepare(d, d->slots[i].header);
    FreeSlots(d);
    d->prepared = 0;
    return 0;
}

void UnprepareSlots(WaveDriver* d, HeaderCall unprepare) {
    for (uint32_t i = 0; i < d->slotCount; ++i) {
        WaveBufferSlot* s = &d->slots[i];
        if (s->prepared != 1) continue;
        MMRESULT r = unprepare(d, s->header);
        if (r != MMSYSERR_NOERROR)
            StoreError(d, r);
        else
            s->prepared = 0;
    }
    FreeSlots(d);
    d->prepared = 0;
}

// A format the device may be asked about: 11000 Hz or more in a known
// sample type. Fills wf when it is.
bool BuildQueriedFormat(const StreamFormat* format, WAVEFORMATEX* wf) {
    if (format->sampleRate < 11000 || StreamBytesPerSample(format->sampleType) == 0) return false;
    BuildFormat(format, wf);
    return true;
}

// The start of an open: marks the driver open before the device can notify.
void BeginOpen(WaveDriver* d, WAVEFORMATEX* wf) {
    d->running = 0;
    ResetEvent(d->event);
    d->open = 1;
    BuildFormat(&d->format, wf);
}

// The end of an open: a refused open leaves the driver closed. Returns 0,
// or the platform's error code.
int FinishOpen(WaveDriver* d, MMRESULT r, void* handle) {
    if (r != MMSYSERR_NOERROR) {
        StoreError(d, r);
        d->open = 0;
        return static_cast<int>(r);
    }
    d->deviceHandle = handle;
    WaitNotification(d);
    return 0;
}

// The end of a close: a refused close still clears the open flag.
void FinishClose(WaveDriver* d, MMRESULT r) {
    if (r == MMSYSERR_NOERROR) {
        WaitNotification(d);
        d->deviceHandle = nullptr;
    } else {
        StoreError(d, r);
    }
    d->open = 0;
}

// The end of a stop, after the device's reset: every buffer has come back.
void FinishStop(WaveDriver* d, MMRESULT reset) {
    if (reset != MMSYSERR_NOERROR) StoreError(d, reset);
    DrainNotifications(d);
    d->running = 0;
    ResetEvent(d->event);
}

// The end of a start: running even when the device refused. Returns 0 or -1.
int FinishStart(WaveDriver* d, MMRESULT r) {
    d->running = 1;
    if (r == MMSYSERR_NOERROR) return 0;
    StoreError(d, r);
    return -1;
}

// ---- Output operations ----

int OutQueryFormat(WaveDriver* d, const StreamFormat* format) {
    WAVEFORMATEX wf;
    return BuildQueriedFormat(format, &wf) &&
           Winmm()->outOpen(nullptr, static_cast<UINT>(d->device.deviceId), &wf, 0, 0,
                      WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

int OutOpen(WaveDriver* d) {
    if (d->open) return 0;
    WAVEFORMATEX wf;
    BeginOpen(d, &wf);
    HWAVEOUT handle = nullptr;
    MMRESULT r = Winmm()->outOpen(&handle, static_cast<UINT>(d->device.deviceId), &wf,
                                  reinterpret_cast<DWORD_PTR>(&OutNotify),
                                  reinterpret_cast<DWORD_PTR>(d),
                                  CALLBACK_FUNCTION | WAVE_ALLOWSYNC);
    return FinishOpen(d, r, handle);
}

void OutClose(WaveDriver* d) {
    ResetEvent(d->event);
    if (d->open) FinishClose(d, Winmm()->outClose(OutHandle(d)));
}

int OutPrepare(WaveDriver* d) {
    if (!d->open) return -1;
    if (d->prepared) return 0;
    if (!PrepareSlots(d, OutPrepareHeader, OutUnprepareHeader)) return -1;
    Winmm()->outPause(OutHandle(d));
    return 0;
}

void OutUnprepare(WaveDriver* d) {
    if (d->slots && d->prepared) UnprepareSlots(d, OutUnprepareHeader);
}

void OutStop(WaveDriver* d) {
    if (!d->running) return;
    const WinmmTable* mm = Winmm();
    mm->outPause(OutHandle(d));
    FinishStop(d, mm->outReset(OutHandle(d)));
}

int OutStart(WaveDriver* d) {
    if (!d->open) return -1;
    return FinishStart(d, Winmm()->outRestart(OutHandle(d)));
}

int OutTransfer(WaveDriver* d, void* buffer) {
    if (!d || !d->prepared || d->lost) return -1;
    WaveBufferSlot* s = &d->slots[d->writeIndex];
    if (buffer)
        std::memcpy(s->data, buffer, d->bytesPerBuffer);
    else
        std::memset(s->data, 0, d->bytesPerBuffer);
    WaitForFreeBuffer(d);
    // Counted before the write: a device may report the buffer done inside it.
    InterlockedIncrement(&d->queued);
    s->header->dwFlags &= ~static_cast<DWORD>(WHDR_DONE | WHDR_INQUEUE);
    if (Winmm()->outWrite(OutHandle(d), s->header, kHeaderSize) != MMSYSERR_NOERROR)
        BufferRefused(d);
    d->writeIndex = (d->writeIndex + 1) % d->slotCount;
    return d->lost ? -1 : 0;
}

// ---- Input operations ----

int InQueryFormat(WaveDriver* d, const StreamFormat* format) {
    WAVEFORMATEX wf;
    return BuildQueriedFormat(format, &wf) &&
           Winmm()->inOpen(nullptr, static_cast<UINT>(d->device.deviceId), &wf, 0, 0,
                      WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

int InOpen(WaveDriver* d) {
    if (d->open) return 0;
    WAVEFORMATEX wf;
    BeginOpen(d, &wf);
    HWAVEIN handle = nullptr;
    MMRESULT r = Winmm()->inOpen(&handle, static_cast<UINT>(d->device.deviceId), &wf,
                                 reinterpret_cast<DWORD_PTR>(&InNotify),
                                 reinterpret_cast<DWORD_PTR>(d), CALLBACK_FUNCTION);
    return FinishOpen(d, r, handle);
}

void InClose(WaveDriver* d) {
    ResetEvent(d->event);
    if (d->open) FinishClose(d, Winmm()->inClose(InHandle(d)));
}

int InPrepare(WaveDriver* d) {
    if (!d->open) return -1;
    if (d->prepared) return 0;
    if (!PrepareSlots(d, InPrepareHeader, InUnprepareHeader)) return -1;
    Winmm()->inStop(InHandle(d));
    return 0;
}

void InUnprepare(WaveDriver* d) {
    if (!d->slots || !d->prepared) return;
    // Input notifications write to the slots: let the last ones arrive first.
    DrainNotifications(d);
    UnprepareSlots(d, InUnprepareHeader);
}

void InStop(WaveDriver* d) {
    if (!d->running) return;
    const WinmmTable* mm = Winmm();
    mm->inStop(InHandle(d));
    FinishStop(d, mm->inReset(InHandle(d)));
}

int InStart(WaveDriver* d) {
    if (!d->open) return -1;
    return FinishStart(d, Winmm()->inStart(InHandle(d)));
}

int InTransfer(WaveDriver* d, void* buffer) {
    if (!d || !d->prepared || d->lost) return -1;
    WaitForFreeBuffer(d);
    WaveBufferSlot* w = &d->slots[d->writeIndex];
    InterlockedIncrement(&d->queued);
    w->dataReady = 0;
    w->header->dwFlags &= ~static_cast<DWORD>(WHDR_DONE | WHDR_INQUEUE);
    if (Winmm()->inAddBuffer(InHandle(d), w->header, kHeaderSize) != MMSYSERR_NOERROR)
        BufferRefused(d);
    d->writeIndex = (d->writeIndex + 1) % d->slotCount;
    WaveBufferSlot* r = &d->slots[d->readIndex];
    if (r->dataReady) {
        if (buffer) std::memcpy(buffer, r->data, d->bytesPerBuffer);
        r->dataReady = 0;
        d->readIndex = (d->readIndex + 1) % d->slotCount;
    } else if (buffer) {
        std::memset(buffer, 0, d->bytesPerBuffer);
    }
    return d->lost ? -1 : 0;
}

const WaveDriverOps kOutputOps = {OutQueryFormat, OutOpen,  OutClose,  OutPrepare,
                                  OutUnprepare,   OutStop,  OutStart,  OutTransfer};
const WaveDriverOps kInputOps = {InQueryFormat, InOpen, InClose,  InPrepare,
                                 InUnprepare,   InStop, InStart,  InTransfer};

// ---- Device list ----

void AppendDevice(uint32_t direction, int32_t id, uint32_t formats, const char* product) {
    WaveDeviceRecord record = {};
    record.direction = direction;
    record.driverKind = kWaveDriverKindWinmm;
    record.deviceId = id;
    record.formats = formats;
    std::snprintf(record.displayName, sizeof record.displayName, "%s%.*s", kWaveNamePrefix,
                  MAXPNAMELEN, product);
    RecordListAppend(&g_devices, &record);
}

// Lists the mapper first, then each device. Wine's mapper answers even with
// no device behind it: it is listed only when there is a device to map to.
template <typename Caps, typename GetCaps>
void ListDevices(uint32_t direction, UINT count, GetCaps getCaps) {
    Caps caps = {};
    if (count > 0 && getCaps(WAVE_MAPPER, &caps, sizeof caps) == MMSYSERR_NOERROR)
        AppendDevice(direction, kWaveMapperId, caps.dwFormats, kWaveMapperName);
    for (UINT i = 0; i < count; ++i) {
        caps = Caps{};
        if (getCaps(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            AppendDevice(direction, static_cast<int32_t>(i), caps.dwFormats, caps.szPname);
    }
}

} // namespace

// ---- Device list ----

int WaveDeviceListAcquire(HINSTANCE) {
    g_deviceUsers += 1;
    if (g_deviceUsers > 1) return g_devices.data ? 1 : 0;
    if (!RecordListCreate(&g_devices, sizeof(WaveDeviceRecord))) return 0;
    const WinmmTable* mm = Winmm();
    ListDevices<WAVEINCAPSA>(kWaveInput, mm->inGetNumDevs(), mm->inGetDevCaps);
    ListDevices<WAVEOUTCAPSA>(kWaveOutput, mm->outGetNumDevs(), mm->outGetDevCaps);
    return 1;
}

void WaveDeviceListRelease() {
    g_deviceUsers -= 1;
    if (g_deviceUsers < 1) {
        g_deviceUsers = 0;
        RecordListFree(&g_devices);
    }
}

RecordList* WaveDeviceList() {
    return &g_devices;
}

// ---- Driver ----

int WaveDriverInit(WaveDriver* d, int32_t direction) {
    std::memset(d, 0, sizeof *d);
    d->direction = direction;
    d->format = kProgramStreamFormat;
    d->slotCount = kWaveSlotCount;
    d->bytesPerBuffer = kWaveDefaultBytesPerBuffer;
    d->framesPerBuffer = kWaveDefaultFramesPerBuffer;
    d->granularity = kWaveFrameGranularity;
    d->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!d->event) return 0;
    return SelectDevice(d, 1);
}

int SelectDevice(WaveDriver* d, uint32_t n) {
    if (n == d->selectedDevice) return 1;
    uint32_t seen = 0;
    const WaveDeviceRecord* found = nullptr;
    uint32_t count = RecordListCount(&g_devices);
    for (uint32_t i = 1; i <= count && !found; ++i) {
        const WaveDeviceRecord* r = static_cast<const WaveDeviceRecord*>(
            RecordListFetch(&g_devices, i));
        if (r->direction == static_cast<uint32_t>(d->direction) && ++seen == n) found = r;
    }
    if (!found) return 0;
    d->selectedDevice = n;
    d->device = *found;
    if (d->device.driverKind == kWaveDriverKindWinmm)
        d->ops = d->direction == kWaveInput ? kInputOps : kOutputOps;
    return 1;
}

int SetFormatAndLatency(WaveDriver* d, const StreamFormat* format, float latency) {
    if (!d) return 0;
    if (d->device.driverKind != kWaveDriverKindWinmm) return 1;
    if (StreamBytesPerFrame(format) == 0) {
        std::snprintf(d->errorText, sizeof d->errorText, "Unsupported stream format");
        return 0;
    }
    d->format = *format;
    d->framesPerBuffer = StreamFramesForLatency(format->sampleRate, latency, d->granularity);
    d->bytesPerBuffer = StreamBytesPerFrame(format) * d->framesPerBuffer;
    return 1;
}

void WaveDriverDestroy(WaveDriver* d) {
    if (d->event) CloseHandle(d->event);
    FreeSlots(d);
    std::memset(d, 0, sizeof *d);
}

uint32_t WaveGetFramesPerBuffer(const WaveDriver* d) {
    return d->framesPerBuffer;
}

uint32_t WaveGetBytesPerBuffer(const WaveDriver* d) {
    return d->bytesPerBuffer;
}

const char* GetErrorText(const WaveDriver* d) {
    return d->errorText;
}

void WaveClearErrorText(WaveDriver* d) {
    d->errorText[0] = '\0';
}

void SetLostDetection(WaveDriver* d, uint32_t on) {
    d->lostDetection = on;
}

void RequestStop(WaveDriver* d) {
    SetEvent(d->event);
}

LONG WaveQueued(const WaveDriver* d) {
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&d->queued), 0, 0);
}
