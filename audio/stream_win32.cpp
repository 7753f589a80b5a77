#include "audio/stream.h"

#include <cstdlib>

#include "sys/settings_store.h"
#include "audio/winmm_table.h"
#include "meter/level_analysis.h"
#include "meter/live_loudness.h"
#include "meter/meter_engine.h"

const char kInitErrorTitle[] = "Init Error";
const char kChangeLatencyTitle[] = "Change Latency";
const char kChangeLatencyText[] =
    "Cannot change latency during play...\nPlease Stop the stream before changing this parameter.";

namespace {

// Open, Prepare, one buffer of silence while the device is paused, Start.
// Returns 0 when the device runs, else the first non-zero result.
int StartDevice(WaveDriver* d) {
    int r = d->ops.Open(d);
    if (r == 0) r = d->ops.Prepare(d);
    if (r == 0) r = d->ops.Transfer(d, nullptr);
    if (r == 0) r = d->ops.Start(d);
    return r;
}

// The frames of a buffer read from position on that come from the file:
// loudness measures the file, not the silence played after its end.
uint32_t FileFrames(const WaveFile* file, uint32_t framesPerBuffer) {
    if (file->position < 0 || file->position >= int64_t(file->dataLength)) return 0;
    const int64_t left = int64_t(file->dataLength) - file->position;
    return left < int64_t(framesPerBuffer) ? uint32_t(left) : framesPerBuffer;
}

uint32_t AnalysisBusy(MeterEngine** slot) {
    MeterEngine* engine = *slot;
    return engine ? MeterIsAnalysisBusy(engine) : 0;
}

void Stamp(StreamStats* stats, uint64_t index) {
    if (index >= stats->stampCapacity) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    stats->stamps[index] = now.QuadPart;
}

void StoreThreadTime(StreamStats* stats) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    stats->threadCpu100ns = ticks(kernel) + ticks(user);
}

DWORD WINAPI StreamThread(LPVOID arg) {
    StreamContext* s = static_cast<StreamContext*>(arg);
    WaveDriver* d = s->driver;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    SetLostDetection(d, 0);
    int transferred = StartDevice(d);
    while (transferred == 0 && s->streaming.load() == 1) {
        const uint32_t fileFrames = FileFrames(s->file, s->framesPerBuffer);
        WaveFileRead(s->file, s->workBuffer, s->bytesPerBuffer);
        if (!AnalysisBusy(s->engineSlot)) {
            AnalyseBuffer(s->engineSlot, s->workBuffer, s->bytesPerBuffer);
            LiveLoudnessAdd(s->loudness, s->workBuffer, fileFrames);
        }
        Stamp(&s->stats, s->stats.buffers.fetch_add(1)); // buffers read and measured
        if (s->streaming.load() != 1) break;
        transferred = d->ops.Transfer(d, s->workBuffer);
    }
    d->ops.Stop(d);
    d->ops.Unprepare(d);
    d->ops.Close(d);
    LiveLoudnessAdd(s->loudness, nullptr, 0); // what the last buffers brought
    StoreThreadTime(&s->stats);
    s->streaming.store(0);
    return 0;
}

// Joins and closes the thread of a stream, whether stopped or ended by itself.
void ReleaseThread(StreamContext* s) {
    if (!s->thread) return;
    WaitForSingleObject(s->thread, INFINITE);
    Winmm()->closeHandle(s->thread);
    s->thread = nullptr;
    s->threadId = 0;
}

} // namespace

void StreamInit(StreamContext* s, WaveDriver* driver, WaveFile* file, MeterEngine** engineSlot) {
    s->driver = driver;
    s->file = file;
    s->engineSlot = engineSlot;
}

void StreamRelease(StreamContext* s) {
    StopStream(s);
    std::free(s->workBuffer);
    s->workBuffer = nullptr;
}

int ApplyLatency(StreamContext* s, HWND owner) {
    int ok = SetFormatAndLatency(s->driver, &s->format, s->latency);
    if (ok) {
        s->framesPerBuffer = WaveGetFramesPerBuffer(s->driver);
        s->bytesPerBuffer = WaveGetBytesPerBuffer(s->driver);
        std::free(s->workBuffer);
        s->workBuffer = static_cast<uint8_t*>(std::calloc(1, s->bytesPerBuffer));
        ok = s->workBuffer != nullptr;
    }
    if (!ok) MessageBoxA(owner, GetErrorText(s->driver), kInitErrorTitle, MB_OK);
    return ok ? 1 : 0;
}

int StartStream(StreamContext* s) {
    if (s->selectingFile || s->streaming.load() || !s->file || !s->file->handle || !s->workBuffer)
        return 0;
    ReleaseThread(s); // a stream that ended by itself leaves its handle behind
    WaveFileSeek(s->file, 0);
    MeterZero(s->engineSlot);
    if (s->loudness) LiveLoudnessRestart(s->loudness);
    s->stats.buffers.store(0);
    s->stats.threadCpu100ns = 0;
    s->streaming.store(1);
    s->thread = Winmm()->createThread(nullptr, 0, StreamThread, s, 0, &s->threadId);
    if (!s->thread) {
        s->streaming.store(0);
        return 0;
    }
    return 1;
}

void StopStream(StreamContext* s) {
    if (s->streaming.load()) {
        s->streaming.store(0);
        RequestStop(s->driver);
    }
    ReleaseThread(s);
}

int StreamStopAction(StreamContext* s) {
    if (s->selectingFile || !s->streaming.load() || !s->file || !s->file->handle) return 0;
    StopStream(s);
    WaveFileSeek(s->file, 0);
    return 1;
}

int StreamChooseLatency(StreamContext* s, HWND mainWindow, int menuId) {
    const LatencyChoice* choice = LatencyChoiceForMenuId(menuId);
    if (!choice) return 0;
    if (s->streaming.load()) {
        MessageBoxA(mainWindow, kChangeLatencyText, kChangeLatencyTitle, MB_OK);
        return 0;
    }
    s->latency = choice->seconds;
    if (ApplyLatency(s, mainWindow)) return 1;
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    return 0;
}

void StreamCheckLatencyItems(const StreamContext* s, HMENU menu) {
    for (const LatencyChoice& choice : kLatencyChoices) {
        UINT state = choice.seconds == s->latency ? MF_CHECKED : MF_UNCHECKED;
        CheckMenuItem(menu, static_cast<UINT>(choice.menuId), MF_BYCOMMAND | state);
    }
}

int StreamLoadLatency(StreamContext* s) {
    float value = 0.0f;
    s->latency = kDefaultLatency;
    if (!ReadSettingBinaryExact(kLatencyKey, kLatencyTimeValue, &value, sizeof value)) return 0;
    if (!LatencyAccepted(value)) return 0;
    s->latency = value;
    return 1;
}

int StreamSaveLatency(const StreamContext* s) {
    float value = s->latency;
    return WriteSettingBinary(kLatencyKey, kLatencyTimeValue, &value, sizeof value);
}

uint32_t StreamIsStreaming(const StreamContext* s) {
    return s->streaming.load();
}
