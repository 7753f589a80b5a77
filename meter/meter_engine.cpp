#include "meter/meter_engine.h"

#include <cmath>
#include <cstring>
#include <new>

#include "meter/power_of_ten.h"

namespace {

constexpr char kDefaultMeterName[] = "VU-Meter";

// The parameter block a new engine starts from, before the settings are laid over it.
constexpr MeterParams kStaticParams = {
    0.0f,                                  // delay
    48.0f,                                 // attack
    0,                                     // attackOn
    0,                                     // offsetOn
    kMeterModeBars | kMeterModeCorrelator, // modeWord
    1,                                     // rmsSelect
    1,                                     // peakSelect
    0,                                     // linearBallistics
    -40.0f,                                // minDb
    6.0f,                                  // maxDb
    3.0f,                                  // peakFall
    24.0f,                                 // averageFall
    kDefaultFramesPerSecond,               // framesPerSecond
    0.5f,                                  // phaseRelease
    0,                                     // recordOn
    1,                                     // zoom
};

MeterParams ParamsFromValues(const MeterSettingsValues* values) {
    MeterSettingsValues v = ClampMeterValuesForEngine(values);
    MeterParams p = kStaticParams;
    p.delay = v.delay;
    p.attack = v.attack;
    p.minDb = v.levelMinDb;
    p.maxDb = v.levelMaxDb;
    p.peakFall = v.maxDbPerS;
    p.averageFall = v.moyDbPerS;
    p.framesPerSecond = v.framesPerS;
    p.phaseRelease = v.phaseRelease;
    return p;
}

// A frame rate below 1 would divide by zero: the default takes its place.
int32_t FramesPerSecond(const MeterParams* p) {
    return p->framesPerSecond >= 1 ? p->framesPerSecond : kDefaultFramesPerSecond;
}

void DeriveCoefficients(MeterEngine* e, const MeterParams* p, float fps) {
    if (e->linearBallistics) {
        e->peakRelease = 2.0f * p->peakFall / (96.0f * fps);
        e->averageRelease = 2.0f * p->averageFall / (96.0f * fps);
        e->powerRelease = 4.0f * p->averageFall / (96.0f * fps);
    } else {
        float k = 1.0f / (20.0f * fps);
        e->peakRelease = PowerOfTen(-k * p->peakFall);
        e->averageRelease = PowerOfTen(-k * p->averageFall);
        e->powerRelease = PowerOfTen(-p->averageFall / (10.0f * fps));
    }
    e->powerAttack = 0.0f;
    e->averageAttack = 0.0f;
    if (!p->attackOn) return;
    // Net of the release that follows every frame, a frame rises by attack / fps dB.
    if (e->linearBallistics) {
        e->powerAttack = 4.0f * p->attack / (96.0f * fps) + e->powerRelease;
        e->averageAttack = 2.0f * p->attack / (96.0f * fps) + e->averageRelease;
    } else {
        e->powerAttack = PowerOfTen(p->attack / (10.0f * fps)) / e->powerRelease;
        e->averageAttack = PowerOfTen(p->attack / (20.0f * fps)) / e->averageRelease;
    }
}

// The meter restarts when the ballistics change kind: the analysis clears its
// own state here; the ballistic values are the display thread's, so the next
// frame handed over carries the request to clear them (a frame handed over
// before the change must not take it).
void RestartMeter(MeterEngine* e) {
    e->framePhase = 0;
    e->accLeft = ChannelAccumulators{};
    if (e->channels > 1) {
        e->accRight = ChannelAccumulators{};
        e->corrSum = 0.0f;
    }
    e->restartPending = 1;
}

const MeterDrawHooks* Hooks(MeterEngine* e) {
    return e->hooks.load(std::memory_order_acquire);
}

void AppendHistory(MeterEngine* e, const DisplayFrame* f) {
    HistoryRecord record = FrameHistoryRecord(f);
    SysLockEnter(&e->lock);
    HistoryAppend(&e->frame.history, &record);
    SysLockLeave(&e->lock);
}

void FrameWork(MeterEngine* e) {
    DisplayFrame* f = &e->frame;
    if (f->restart) FrameClearBallistics(f);
    FrameApplyAttack(f, e->channels);
    if (f->recordOn == 1) AppendHistory(e, f);
    const MeterDrawHooks* hooks = Hooks(e);
    if (hooks && hooks->drawFrame) hooks->drawFrame(e, f);
    FrameApplyRelease(f, e->channels);
}

// Waits for a frame, works on it, reports it done. The frame is ours only
// while framePending is 1. This thread alone waits on frameReady; the flag
// and the events are sequentially consistent, so a look at the flag cannot
// overtake the reset before it.
void DisplayThreadMain(void* arg) {
    MeterEngine* e = static_cast<MeterEngine*>(arg);
    SysThreadSetPriority(kSysPriorityHighest);
    for (;;) {
        SysEventWaitUntil(
            e->frameReady,
            [e] { return e->framePending.load() || e->quit.load(std::memory_order_acquire); },
            kSysWaitForever, kSysSoleWaiter);
        if (e->quit.load(std::memory_order_acquire)) break;
        FrameWork(e);
        e->framePending.store(0);
        e->framesDone.fetch_add(1);
        SysEventSet(e->frameDone);
    }
}

void StartDisplayThread(MeterEngine* e) {
    e->frameReady = SysEventCreate();
    e->frameDone = SysEventCreate();
    e->quit.store(0);
    if (e->frameReady && e->frameDone) e->displayThread = SysThreadStart(DisplayThreadMain, e);
    if (!e->displayThread) {
        // Without its thread nobody would ever set frameDone: run without events.
        SysEventClose(e->frameReady);
        SysEventClose(e->frameDone);
        e->frameReady = nullptr;
        e->frameDone = nullptr;
    }
}

void ReadPlacement(MeterEngine* e, void* window) {
    const MeterDrawHooks* hooks = Hooks(e);
    MeterRect rect;
    if (window && hooks && hooks->readPlacement && hooks->readPlacement(window, &rect))
        e->config.windowRect = rect;
}

} // namespace

// ---- Creation and teardown ----

namespace {

// Everything of a new engine but its display thread.
MeterEngine* MakeEngine(const MeterSettingsValues* values) {
    MeterEngine* e = new (std::nothrow) MeterEngine();
    if (!e) return nullptr;
    e->frame.engine = e;
    e->sampleRate = 44100.0f;
    SysLockInit(&e->lock);
    e->values = values ? values : MeterSettingsDefaults();
    MeterParams params = ParamsFromValues(e->values);
    e->config.params = params;
    e->config.params2 = params;
    std::memcpy(e->config.name, kDefaultMeterName, sizeof kDefaultMeterName);
    HistoryStoreInit(&e->frame.history);
    e->windowContext.engine = e;
    e->windowContext.alwaysVisible = 1;
    e->notifyFrameLoss.store(1);
    e->relaxMode.store(0);
    return e;
}

} // namespace

MeterEngine* MeterEngineCreate(const MeterSettingsValues* values) {
    MeterEngine* e = MakeEngine(values);
    if (e) StartDisplayThread(e);
    return e;
}

MeterEngine* MeterEngineCreateInline(const MeterSettingsValues* values) {
    MeterEngine* e = MakeEngine(values);
    if (e) e->inlineFrames = 1;
    return e;
}

int MeterEngineRequestDestroy(MeterEngine** handle) {
    MeterEngine* e = *handle;
    if (!e) return 0;
    SysLockEnter(&e->lock);
    uint32_t busy = e->analysisBusy;
    if (busy) e->destroyPending = 1;
    SysLockLeave(&e->lock);
    if (busy) return 0;
    MeterEngineDestroy(handle);
    return 1;
}

void MeterEngineDestroy(MeterEngine** handle) {
    MeterEngine* e = *handle;
    if (!e) return;
    if (e->frameReady) {
        e->quit.store(1, std::memory_order_release);
        SysEventSet(e->frameReady);
        SysEventSet(e->frameDone);
        SysThreadJoin(e->displayThread);
        SysEventClose(e->frameReady);
        SysEventClose(e->frameDone);
    }
    const MeterDrawHooks* hooks = Hooks(e);
    if (e->meterWindow && hooks && hooks->closeWindow) hooks->closeWindow(e->meterWindow);
    DelayLineFree(&e->left);
    DelayLineFree(&e->right);
    SysLockDelete(&e->lock);
    HistoryStoreFree(&e->frame.history);
    delete e;
    *handle = nullptr;
}

// ---- Accessors ----

// Taken under the lock although only the user interface writes the block:
// the copy is short and stays whole whoever calls.
void MeterGetConfig(MeterEngine* e, MeterConfig* out) {
    SysLockEnter(&e->lock);
    *out = e->config;
    SysLockLeave(&e->lock);
}

void MeterSetConfig(MeterEngine* e, const MeterConfig* config) {
    SysLockEnter(&e->lock);
    e->config = *config;
    e->derivedValid = 0;
    SysLockLeave(&e->lock);
}

void MeterInvalidateDerived(MeterEngine* e) {
    SysLockEnter(&e->lock);
    e->derivedValid = 0;
    SysLockLeave(&e->lock);
}

float MeterGetSampleRate(MeterEngine* e) {
    return e->sampleRate;
}

void MeterGetFrameLossSwitches(MeterEngine* e, uint32_t* relaxMode, uint32_t* notify) {
    *relaxMode = e->relaxMode.load();
    *notify = e->notifyFrameLoss.load();
}

void MeterSetFrameLossSwitches(MeterEngine* e, uint32_t relaxMode, uint32_t notify) {
    e->relaxMode.store(relaxMode);
    e->notifyFrameLoss.store(notify);
    e->lostFrames.store(0);
}

uint32_t MeterGetLostFrames(MeterEngine* e) {
    return e->lostFrames.load();
}

void MeterSetHold(MeterEngine* e, uint32_t hold) {
    SysLockEnter(&e->lock);
    e->hold = hold;
    SysLockLeave(&e->lock);
}

uint32_t MeterGetHold(MeterEngine* e) {
    SysLockEnter(&e->lock);
    uint32_t hold = e->hold;
    SysLockLeave(&e->lock);
    return hold;
}

uint32_t MeterIsAnalysisBusy(MeterEngine* e) {
    SysLockEnter(&e->lock);
    uint32_t busy = e->analysisBusy;
    SysLockLeave(&e->lock);
    return busy;
}

void MeterAttachWindow(MeterEngine* e, void* window) {
    SysLockEnter(&e->lock);
    e->meterWindow = window;
    e->config.windowOpen = window ? 1 : 0;
    ReadPlacement(e, window);
    SysLockLeave(&e->lock);
}

void MeterSavePlacement(MeterEngine* e, void* window) {
    SysLockEnter(&e->lock);
    ReadPlacement(e, window);
    SysLockLeave(&e->lock);
}

void* MeterGetWindow(MeterEngine* e) {
    SysLockEnter(&e->lock);
    void* window = e->meterWindow;
    SysLockLeave(&e->lock);
    return window;
}

MeterWindowContext* MeterGetWindowContext(MeterEngine* e) {
    return &e->windowContext;
}

void MeterRepaint(MeterEngine* e) {
    void* window = MeterGetWindow(e);
    const MeterDrawHooks* hooks = Hooks(e);
    if (window && hooks && hooks->repaint) hooks->repaint(window);
}

void MeterSetDrawHooks(MeterEngine* e, const MeterDrawHooks* hooks) {
    e->hooks.store(hooks, std::memory_order_release);
}

MeterLevelMode MeterGetLevelMode(const MeterParams* p) {
    if (p->peakSelect & 1) return kMeterLevelPeak;
    if (p->rmsSelect & 1) return kMeterLevelRms;
    return kMeterLevelAverage;
}

void MeterSelectLevelMode(MeterConfig* config, MeterLevelMode mode) {
    MeterParams* copies[2] = {&config->params, &config->params2};
    for (MeterParams* p : copies) {
        if (mode == kMeterLevelPeak) {
            p->peakSelect |= 1;
        } else if (mode == kMeterLevelRms) {
            p->peakSelect &= ~1u;
            p->rmsSelect |= 1;
        } else {
            p->peakSelect &= ~1u;
            p->rmsSelect &= ~1u;
        }
    }
}

// ---- History operations ----

void MeterSetRecording(MeterEngine* e, uint32_t on) {
    SysLockEnter(&e->lock);
    e->config.params.recordOn = on;
    e->config.params2.recordOn = on;
    e->derivedValid = 0;
    // Inside the lock: the display thread appends under it.
    HistorySetRecording(&e->frame.history, on ? 1 : 0);
    SysLockLeave(&e->lock);
}

void MeterFollow(MeterEngine* e) {
    SysLockEnter(&e->lock);
    e->config.params.zoom = 1;
    HistoryFollow(&e->frame.history);
    SysLockLeave(&e->lock);
    MeterRepaint(e);
}

// The frame's copy of the sample position is the display thread's; the next
// hand-over brings it the reset value.
void MeterResetHistory(MeterEngine* e) {
    SysLockEnter(&e->lock);
    e->lostFrames.store(0);
    HistoryReset(&e->frame.history);
    e->samplePosition = 0;
    SysLockLeave(&e->lock);
}

void MeterSetZoom(MeterEngine* e, int32_t zoom) {
    SysLockEnter(&e->lock);
    e->config.params.zoom = zoom;
    e->config.params2.zoom = zoom;
    HistorySetZoom(&e->frame.history, zoom);
    e->derivedValid = 0;
    SysLockLeave(&e->lock);
}

int32_t MeterGetZoom(MeterEngine* e) {
    SysLockEnter(&e->lock);
    int32_t zoom = HistoryGetZoom(e->config.params.zoom);
    SysLockLeave(&e->lock);
    return zoom;
}

HistoryStatus MeterGetHistoryStatus(MeterEngine* e) {
    SysLockEnter(&e->lock);
    HistoryStatus status = HistoryQueryStatus(&e->frame.history, e->samplePosition, e->sampleRate,
                                              e->historyStartTime);
    SysLockLeave(&e->lock);
    return status;
}

// ---- Inside the analysis ----

void MeterDerive(MeterEngine* e) {
    const MeterParams* p = &e->config.params;
    float fps = static_cast<float>(FramesPerSecond(p));
    float T = 1.0f / fps;
    e->modeWord = p->modeWord;
    e->rmsSelect = p->rmsSelect;
    e->peakSelect = p->peakSelect;
    if (e->linearBallistics != p->linearBallistics) RestartMeter(e);
    e->linearBallistics = p->linearBallistics;
    // T is a float (1/25 s lies just below 0.04) but the product is taken in
    // double: 1763 at 25 frames per second, where a float product would round
    // up to 1764. Every tree computes with SSE, so this holds in each of them.
    uint32_t spf = static_cast<uint32_t>(static_cast<double>(T) * e->sampleRate);
    e->samplesPerFrame = spf >= 1 ? spf : 1; // a frame rate above the sample rate
    e->minDb = p->minDb;
    e->maxDb = p->maxDb;
    DeriveCoefficients(e, p, fps);
    e->dbOffset = p->offsetOn ? e->values->displayDbOffset : 0.0f;
    e->phaseStep = T * p->phaseRelease;
    DelayLineSetDelay(&e->left, DelaySamples(e->sampleRate, p->delay));
    if (e->channels > 1)
        DelayLineSetDelay(&e->right, DelaySamples(e->sampleRate, e->config.params2.delay));
    e->derivedValid = 1;
    e->recordOn = p->recordOn ? 1 : 0;
}

namespace {

// The copy into the frame: everything the display thread needs for one frame.
void FillFrame(MeterEngine* e, void* window, int64_t samplePosition) {
    DisplayFrame* f = &e->frame;
    f->lostFrames = e->lostFrames.load();
    f->notifyFrameLoss = e->notifyFrameLoss.load();
    f->N = e->frameSamples;
    f->window = window;
    f->modeWord = e->modeWord;
    f->rmsSelect = e->rmsSelect;
    f->peakSelect = e->peakSelect;
    f->linearBallistics = e->linearBallistics;
    f->minDb = e->minDb;
    f->maxDb = e->maxDb;
    f->dbOffset = e->dbOffset;
    f->peakRelease = e->peakRelease;
    f->powerRelease = e->powerRelease;
    f->averageRelease = e->averageRelease;
    f->powerAttack = e->powerAttack;
    f->averageAttack = e->averageAttack;
    f->framePeakL = e->accLeft.peak;
    f->frameSumL = e->accLeft.sum;
    f->frameSumSqL = e->accLeft.sumSq;
    f->framePeakR = e->accRight.peak;
    f->frameSumR = e->accRight.sum;
    f->frameSumSqR = e->accRight.sumSq;
    f->corrSum = e->corrSum;
    f->phaseStep = e->phaseStep;
    f->recordOn = e->recordOn;
    f->samplePosition = samplePosition;
    f->restart = e->restartPending;
    e->restartPending = 0;
}

} // namespace

MeterHandOver MeterHandOverFrame(MeterEngine* e) {
    // No display thread and no inline work: nobody shows the frame.
    if (!e->frameReady && !e->inlineFrames) return kHandOverLost;
    if (e->relaxMode.load() == 0 && e->framePending.load()) {
        SysEventWaitUntil(
            e->frameDone,
            [e] { return e->framePending.load() == 0 || e->quit.load(std::memory_order_acquire); },
            kSysWaitForever, kSysSharedWaiters);
        if (e->quit.load(std::memory_order_acquire)) return kHandOverQuit;
    }
    if (e->framePending.load()) {
        e->lostFrames.fetch_add(1);
        return kHandOverLost;
    }
    // The frame about to be counted is not done: the event goes down before
    // the count goes up, so no waiter for it takes an earlier frame's set.
    if (e->frameDone) SysEventReset(e->frameDone);
    SysLockEnter(&e->lock);
    void* window = e->meterWindow;
    int64_t samplePosition = e->samplePosition;
    e->framesHandedOver.fetch_add(1);
    SysLockLeave(&e->lock);
    FillFrame(e, window, samplePosition);
    if (e->inlineFrames) {
        FrameWork(e); // the same steps as the display thread, on this thread
        e->framesDone.fetch_add(1);
        return kHandOverDone;
    }
    e->framePending.store(1);
    SysEventSet(e->frameReady);
    return kHandOverDone;
}

int MeterWaitDisplayIdle(MeterEngine* e, uint32_t timeoutMs) {
    if (!e->frameDone) return 1;
    const uint32_t handedOver = e->framesHandedOver.load();
    return SysEventWaitUntil(
        e->frameDone,
        [e, handedOver] {
            return int32_t(e->framesDone.load() - handedOver) >= 0 ||
                   e->quit.load(std::memory_order_acquire);
        },
        timeoutMs, kSysSharedWaiters);
}
