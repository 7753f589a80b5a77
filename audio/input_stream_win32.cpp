#include "audio/input_stream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/winmm_table.h"
#include "meter/level_analysis.h"
#include "meter/live_loudness.h"
#include "meter/meter_engine.h"
#include "sys/settings_store.h"

const char kNoInputDeviceText[] = "No wave input device is available.";
const char kInputFormatText[] = "The device does not take 44100 Hz, 16-bit stereo.";
const char kInputSilentText[] = "The device has stopped sending sound.";

namespace {

const char kNoThreadText[] = "The measuring thread could not be started.";
const char kNotStartedText[] = "The device could not be started.";

const WaveDeviceRecord* InputRecord(uint32_t n) {
    RecordList* list = WaveDeviceList();
    const uint32_t count = RecordListCount(list);
    uint32_t seen = 0;
    for (uint32_t i = 1; i <= count; ++i) {
        const auto* r = static_cast<const WaveDeviceRecord*>(RecordListFetch(list, i));
        if (r->direction == kWaveInput && ++seen == n) return r;
    }
    return nullptr;
}

const char* WithoutPrefix(const char* name) {
    const size_t n = std::strlen(kWaveNamePrefix);
    return std::strncmp(name, kWaveNamePrefix, n) == 0 ? name + n : name;
}

void Reason(char reason[kInputReasonSize], const char* text) {
    std::snprintf(reason, kInputReasonSize, "%s", text);
}

// Stop, Unprepare and Close: each does nothing its state does not call for.
void CloseDevice(WaveDriver* d) {
    d->ops.Stop(d);
    d->ops.Unprepare(d);
    d->ops.Close(d);
}

// Waits until the device has filled the oldest queued buffer, so that the
// Transfer after it never waits. Returns false when nothing came within
// patienceMs; a stop request ends the wait early (true).
bool AwaitFilledBuffer(InputStream* s, DWORD patienceMs) {
    WaveDriver* d = &s->driver;
    while (WaveQueued(d) > 1 && s->measuring.load() == 1) {
        ResetEvent(d->event);
        if (WaveQueued(d) <= 1) break;
        if (WaitForSingleObject(d->event, patienceMs) == WAIT_TIMEOUT) return false;
    }
    return true;
}

void Measure(InputStream* s) {
    MeterEngine** slot = s->engineSlot;
    MeterEngine* engine = *slot;
    if (engine && MeterIsAnalysisBusy(engine)) return;
    AnalyseBuffer(slot, s->workBuffer, s->bytesPerBuffer);
    LiveLoudnessAdd(s->loudness, s->workBuffer, s->bytesPerBuffer / 4);
    s->buffers.fetch_add(1);
}

DWORD WINAPI InputThread(LPVOID arg) {
    InputStream* s = static_cast<InputStream*>(arg);
    WaveDriver* d = &s->driver;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    const DWORD bufferMs = DWORD(uint64_t(d->framesPerBuffer) * 1000 / d->format.sampleRate);
    const DWORD patience = kInputPatienceMs + d->slotCount * bufferMs;
    const char* failure = nullptr;
    while (s->measuring.load() == 1) {
        if (!AwaitFilledBuffer(s, patience)) {
            failure = kInputSilentText;
            break;
        }
        if (s->measuring.load() != 1) break;
        const uint32_t before = d->readIndex;
        if (d->ops.Transfer(d, s->workBuffer) != 0) {
            failure = d->errorText[0] ? d->errorText : kInputSilentText;
            break;
        }
        if (d->readIndex != before)
            Measure(s);
        else
            s->lost.fetch_add(1); // the oldest buffer came back unfilled
    }
    CloseDevice(d);
    LiveLoudnessAdd(s->loudness, nullptr, 0); // what the last buffers brought
    if (failure) {
        std::snprintf(s->failure, sizeof s->failure, "%s", failure);
        s->failed.store(1);
        s->measuring.store(0);
        PostMessageA(s->notifyWindow, s->notifyMessage, 0, 0);
    } else {
        s->measuring.store(0);
    }
    return 0;
}

// A driver stays lost until it is made again: the same device, the same sizes.
int RemakeDriver(InputStream* s) {
    WaveDriver* d = &s->driver;
    const uint32_t chosen = d->selectedDevice;
    WaveDriverDestroy(d);
    const StreamFormat format = kProgramStreamFormat;
    s->driverReady = WaveDriverInit(d, kWaveInput) && SelectDevice(d, chosen) &&
                             SetFormatAndLatency(d, &format, s->latency)
                         ? 1
                         : 0;
    return static_cast<int>(s->driverReady);
}

void ReleaseThread(InputStream* s) {
    if (!s->thread) return;
    WaitForSingleObject(s->thread, INFINITE);
    Winmm()->closeHandle(s->thread);
    s->thread = nullptr;
    s->threadId = 0;
}

} // namespace

int InputStreamInit(InputStream* s, MeterEngine** engineSlot, LiveLoudness* loudness,
                    HWND notifyWindow, UINT notifyMessage) {
    s->engineSlot = engineSlot;
    s->loudness = loudness;
    s->notifyWindow = notifyWindow;
    s->notifyMessage = notifyMessage;
    s->driverReady = WaveDriverInit(&s->driver, kWaveInput) ? 1 : 0;
    return static_cast<int>(s->driverReady);
}

void InputStreamRelease(InputStream* s) {
    StopInput(s);
    WaveDriverDestroy(&s->driver);
    s->driverReady = 0;
    std::free(s->workBuffer);
    s->workBuffer = nullptr;
}

int InputApplyLatency(InputStream* s, float latency) {
    if (!s->driverReady || s->measuring.load()) return 0;
    const StreamFormat format = kProgramStreamFormat;
    if (!SetFormatAndLatency(&s->driver, &format, latency)) return 0;
    s->latency = latency;
    s->bytesPerBuffer = WaveGetBytesPerBuffer(&s->driver);
    std::free(s->workBuffer);
    s->workBuffer = static_cast<uint8_t*>(std::calloc(1, s->bytesPerBuffer));
    return s->workBuffer ? 1 : 0;
}

uint32_t InputDeviceCount() {
    uint32_t n = 0;
    while (InputRecord(n + 1))
        ++n;
    return n;
}

const char* InputDeviceName(uint32_t n) {
    const WaveDeviceRecord* r = InputRecord(n);
    return r ? WithoutPrefix(r->displayName) : "";
}

int InputChooseDevice(InputStream* s, uint32_t n) {
    if (!s->driverReady || s->measuring.load() || !InputRecord(n)) return 0;
    return SelectDevice(&s->driver, n);
}

int InputLoadDevice(InputStream* s) {
    char name[kSettingTextSize];
    if (!ReadSettingText(kLatencyKey, kInputDeviceValue, name)) return 0;
    for (uint32_t n = 1; InputRecord(n); ++n)
        if (std::strcmp(InputRecord(n)->displayName, name) == 0) return InputChooseDevice(s, n);
    return 0;
}

int InputSaveDevice(const InputStream* s) {
    if (!s->driverReady) return 0;
    return WriteSettingText(kLatencyKey, kInputDeviceValue, s->driver.device.displayName);
}

int InputOpenDevice(InputStream* s, char reason[kInputReasonSize]) {
    WaveDriver* d = &s->driver;
    reason[0] = '\0';
    if (!s->driverReady || !s->workBuffer) {
        Reason(reason, kNoInputDeviceText);
        return 0;
    }
    ReleaseThread(s); // a thread that ended by itself leaves its handle behind
    if (d->lost && !RemakeDriver(s)) {
        Reason(reason, kNoInputDeviceText);
        return 0;
    }
    WaveClearErrorText(d);
    if (!d->ops.QueryFormat(d, &d->format)) {
        Reason(reason, kInputFormatText);
        return 0;
    }
    // A refused buffer means the device is gone: measuring stops and says so.
    SetLostDetection(d, 1);
    int r = d->ops.Open(d);
    if (r == 0) r = d->ops.Prepare(d);
    if (r == 0) r = d->ops.Transfer(d, nullptr);
    if (r == 0) r = d->ops.Transfer(d, nullptr);
    if (r == 0) r = d->ops.Start(d);
    if (r == 0) return 1;
    Reason(reason, d->errorText[0] ? d->errorText : kNotStartedText);
    CloseDevice(d);
    return 0;
}

int InputRun(InputStream* s, char reason[kInputReasonSize]) {
    MeterZero(s->engineSlot);
    if (s->loudness) LiveLoudnessRestart(s->loudness);
    s->buffers.store(0);
    s->lost.store(0);
    s->failed.store(0);
    s->failure[0] = '\0';
    s->measuring.store(1);
    s->thread = Winmm()->createThread(nullptr, 0, InputThread, s, 0, &s->threadId);
    if (s->thread) return 1;
    s->measuring.store(0);
    CloseDevice(&s->driver);
    Reason(reason, kNoThreadText);
    return 0;
}

void StopInput(InputStream* s) {
    if (s->measuring.load()) {
        s->measuring.store(0);
        RequestStop(&s->driver);
    }
    ReleaseThread(s);
}

uint32_t InputIsMeasuring(const InputStream* s) {
    return s->measuring.load();
}
