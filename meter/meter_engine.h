// The meter engine: the one object joining the audio path to the screen. It
// holds the meter's configuration, the analysis state, the ballistic values,
// the level history and a display thread of its own.
//
// Threads and fields:
// - fixed after creation: the events, the display thread, the frame's engine
//   pointer, the history buffers, the values pointer;
// - under the lock: derivedValid, analysisBusy, destroyPending, hold,
//   meterWindow, config, samplePosition, the history counts;
// - the streaming thread alone (inside the analysis entry, or the user
//   interface while no stream runs): the format's derived values, the delay
//   lines, the accumulators and frame counters;
// - the display thread alone while it owns the frame: the frame's fields and
//   ballistic values;
// - single atomic words written without the lock: the hand-over flags,
//   lostFrames, relaxMode, notifyFrameLoss, the draw hooks.
#pragma once

#include <atomic>
#include <cstdint>

#include "history/history_store.h"
#include "meter/delay_line.h"
#include "meter/display_frame.h"
#include "meter/level_analysis.h"
#include "meter/meter_values.h"
#include "sys/thread.h"

// Sixteen parameter words.
struct MeterParams {
    float delay;               // seconds
    float attack;              // dB per second
    uint32_t attackOn;         // 0 = instant attack
    uint32_t offsetOn;         // 1 = apply the settings' display dB offset
    uint32_t modeWord;         // kMeterModeBars | kMeterModeCorrelator
    uint32_t rmsSelect;        // bit 0: level mode, see MeterLevelMode
    uint32_t peakSelect;       // bit 0
    uint32_t linearBallistics; // 1 = additive steps instead of factors
    float minDb;
    float maxDb;
    float peakFall;          // dB per second
    float averageFall;       // dB per second
    int32_t framesPerSecond; // below 1 counts as kDefaultFramesPerSecond
    float phaseRelease;      // per second
    uint32_t recordOn;       // history recording switch
    int32_t zoom;            // history slots per pixel column
};
static_assert(sizeof(MeterParams) == 64, "MeterParams is 16 words");

constexpr uint32_t kMeterModeBars = 1u << 0;
constexpr uint32_t kMeterModeCorrelator = 1u << 28;
constexpr int32_t kDefaultFramesPerSecond = 10;

struct MeterRect {
    int32_t left, top, right, bottom;
};

// The block the user interface copies out, changes and copies back in.
struct MeterConfig {
    char name[32];        // the meter's title, NUL-terminated
    uint32_t windowOpen;  // 1 while the meter window exists
    MeterRect windowRect; // the window's normal placement, kept after it closes
    MeterParams params;   // in force
    MeterParams params2;  // second copy; the analysis uses its delay for the right channel
};
static_assert(sizeof(MeterConfig) == 180, "MeterConfig is a 180-byte block");

// What joins the engine to its meter window across the window's openings:
// the choices that outlive one window and the links other windows reach it
// by. Handles are opaque here; the window's own state is in its record.
struct MeterWindowContext {
    MeterEngine* engine;    // points back to the owner
    void* frameRateMenu;    // the open window's menu handle, null when none
    void* popupMenu;        // the open window's menu handle, null when none
    uint32_t alwaysVisible; // 1 = topmost; 1 at creation
    void* controlPanel;     // the main window's control panel, or null
    void* cueListDialog;    // the open cue list dialog, or null
};

// How the engine reaches the screen. The shell installs a table; any entry
// may be null and the native build installs none. Windows are opaque values.
struct MeterDrawHooks {
    // Display thread: draws the frame (bars and the newest history column)
    // into frame->window, which may be null (then nothing is to be drawn).
    void (*drawFrame)(MeterEngine* engine, DisplayFrame* frame);
    // Invalidates the window's whole client area, with erasing.
    void (*repaint)(void* window);
    // Closes the meter window as the engine is destroyed.
    void (*closeWindow)(void* window);
    // Reads the window's normal placement. Returns 1 on success, 0 on failure.
    int (*readPlacement)(void* window, MeterRect* out);
};

enum MeterLevelMode { kMeterLevelAverage = 0, kMeterLevelRms = 1, kMeterLevelPeak = 2 };

struct MeterEngine {
    SysLock lock;
    uint32_t derivedValid;   // 0 = derive before the next buffer
    uint32_t analysisBusy;   // 1 while the analysis entry works on a buffer
    uint32_t destroyPending; // a destroy request waits for the buffer's end
    uint32_t hold;           // 1 = incoming buffers are ignored
    // The meter values the engine was made with: the program's settings
    // record, which its options dialog changes (followed by
    // MeterInvalidateDerived), or the defaults. Read by the derive step.
    const MeterSettingsValues* values;
    void* meterWindow; // null while the meter window is closed
    MeterWindowContext windowContext;
    float sampleRate;
    uint32_t channels;
    MeterConfig config;
    float peakRelease, powerRelease, averageRelease; // derived coefficients
    float minDb, maxDb;
    float dbOffset;
    float powerAttack, averageAttack;
    uint32_t samplesPerFrame;
    uint32_t modeWord, rmsSelect, peakSelect, linearBallistics; // applied values
    uint32_t framePhase;   // samples toward the next frame, modulo samplesPerFrame
    uint32_t frameSamples; // samples since the last hand-over: N of the frame
    DelayLine left;
    ChannelAccumulators accLeft;
    float corrSum;
    float phaseStep;
    DelayLine right;
    ChannelAccumulators accRight;
    DisplayFrame frame;
    int32_t historyStartTime; // set by loading a history file
    SysThread* displayThread;
    SysEvent* frameReady; // manual reset: a frame was handed over
    // Manual reset: the display thread finished a frame. Waiters share it
    // (SysEventWaitUntil): only the hand-over resets it, before it raises
    // framePending, and the display thread sets it when a frame is done.
    SysEvent* frameDone;
    std::atomic<uint32_t> quit;         // 1 = the display thread must end
    std::atomic<uint32_t> framePending; // 1 from a hand-over until that frame is done
    // Frames handed to the display thread, counted under the lock where the
    // hand-over reads the meter window, and frames it finished: a waiter
    // knows which frames came before it (they wrap; compare differences).
    std::atomic<uint32_t> framesHandedOver;
    std::atomic<uint32_t> framesDone;
    std::atomic<uint32_t> lostFrames;
    std::atomic<uint32_t> notifyFrameLoss;
    std::atomic<uint32_t> relaxMode;
    std::atomic<const MeterDrawHooks*> hooks;
    uint32_t recordOn;       // the applied record switch (derive step)
    uint32_t restartPending; // the next frame handed over clears the ballistic values
    int64_t samplePosition;
    uint32_t inlineFrames; // 1 = no display thread: the hand-over works the frame itself
    // 1 = the delays stay as configured while buffers arrive (an offline
    // scan): without a delay nothing ever reads the rings back, so the stereo
    // analysis does not write them and MeterZero does not clear them.
    uint32_t fixedDelay;
};

// ---- Creation and teardown ----

// Makes an engine: parameters from values (clamped; null: the defaults),
// which must outlive the engine, history allocated, display thread running.
// Returns null when memory is short. Without events the engine runs with no
// display thread.
MeterEngine* MeterEngineCreate(const MeterSettingsValues* values);

// Makes an engine for measuring offline: no display thread; the analysis
// does each frame's work (statistics, ballistics, history append) itself
// where the live engine hands the frame over, so no frame is lost and the
// feeding thread never waits. Nothing is drawn. Returns null when memory is
// short.
MeterEngine* MeterEngineCreateInline(const MeterSettingsValues* values);

// Destroys the engine now, or, while a buffer is being analysed, marks it so
// that the analysis destroys it at the buffer's end (and clears *handle).
// Returns 1 when destroyed now, 0 when deferred or *handle was null.
int MeterEngineRequestDestroy(MeterEngine** handle);

// Ends the display thread, closes the meter window, frees everything and
// clears *handle. Nothing happens for a null engine.
void MeterEngineDestroy(MeterEngine** handle);

// ---- Accessors ----

void MeterGetConfig(MeterEngine* engine, MeterConfig* out);
// Copies the block in and marks the derived values for recomputation.
void MeterSetConfig(MeterEngine* engine, const MeterConfig* config);
void MeterInvalidateDerived(MeterEngine* engine);
// Returns the sample rate in Hz.
float MeterGetSampleRate(MeterEngine* engine);
void MeterGetFrameLossSwitches(MeterEngine* engine, uint32_t* relaxMode, uint32_t* notify);
// Stores both switches and clears the lost-frame count.
void MeterSetFrameLossSwitches(MeterEngine* engine, uint32_t relaxMode, uint32_t notify);
// Returns frames dropped since the count was last cleared.
uint32_t MeterGetLostFrames(MeterEngine* engine);
void MeterSetHold(MeterEngine* engine, uint32_t hold);
// Returns the hold switch.
uint32_t MeterGetHold(MeterEngine* engine);
// Returns 1 while a buffer is being analysed (the streaming thread then skips its buffer).
uint32_t MeterIsAnalysisBusy(MeterEngine* engine);
// Records the meter window (null: closed) and, for a window, its placement.
void MeterAttachWindow(MeterEngine* engine, void* window);
// Records the window's placement only.
void MeterSavePlacement(MeterEngine* engine, void* window);
// Returns the meter window, or null.
void* MeterGetWindow(MeterEngine* engine);
// Returns the meter window's record inside the engine.
MeterWindowContext* MeterGetWindowContext(MeterEngine* engine);
// Repaints the meter window, if open.
void MeterRepaint(MeterEngine* engine);
// Installs the drawing table (it must outlive the engine); null removes it.
void MeterSetDrawHooks(MeterEngine* engine, const MeterDrawHooks* hooks);
// The level mode of a parameter block, and the selection that sets it in both copies.
MeterLevelMode MeterGetLevelMode(const MeterParams* params);
void MeterSelectLevelMode(MeterConfig* config, MeterLevelMode mode);

// ---- History operations ----

// Switches recording in both parameter copies; switching off marks the newest slot.
void MeterSetRecording(MeterEngine* engine, uint32_t on);
// Puts the view at the newest slot with zoom 1 and repaints.
void MeterFollow(MeterEngine* engine);
// Empties the history and cues, clears lostFrames and the sample position.
void MeterResetHistory(MeterEngine* engine);
// Sets the zoom in both copies and aligns the view to it.
void MeterSetZoom(MeterEngine* engine, int32_t zoom);
// Returns the zoom to compute with (at least 1).
int32_t MeterGetZoom(MeterEngine* engine);
// Returns the status panel's figures.
HistoryStatus MeterGetHistoryStatus(MeterEngine* engine);

// ---- Inside the analysis ----

// Recomputes the derived values from config (call under the lock).
void MeterDerive(MeterEngine* engine);

// Outcome of handing a complete frame to the display thread.
enum MeterHandOver { kHandOverDone = 0, kHandOverLost = 1, kHandOverQuit = 2 };
// Hands the frame's sums to the display thread, waiting for it to finish the
// previous frame unless relax mode is on (then a busy display loses the
// frame). Returns kHandOverQuit when the engine is ending (the caller must
// then return at once), kHandOverLost for a lost or discarded frame, else kHandOverDone.
MeterHandOver MeterHandOverFrame(MeterEngine* engine);

// Waits until the display thread has finished every frame handed over
// before the call, also one whose hand-over read the meter window before
// MeterAttachWindow detached it: after that nothing draws into the window.
// Any thread may wait, several at once. Returns 1 when those frames are
// done (or no display thread runs, or the engine is ending), 0 when
// timeoutMs passed first.
int MeterWaitDisplayIdle(MeterEngine* engine, uint32_t timeoutMs);
