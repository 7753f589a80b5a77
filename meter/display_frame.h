// The hand-over record between the analysis and the display thread, with
// the ballistic meter values that persist from frame to frame, and the
// per-frame steps that run on it.
#pragma once

#include <cstdint>

#include "history/history_store.h"

struct MeterEngine;

// Filled by the analysis while the display thread is idle; owned by the
// display thread from the hand-over until it reports the frame done. The
// ballistic values (peakL .. correlation) are written by the display thread only.
struct DisplayFrame {
    MeterEngine* engine;       // back pointer; its lock guards the history counts
    uint32_t lostFrames;       // the engine's count at hand-over
    uint32_t notifyFrameLoss;  // copy
    uint32_t N;                // samples summed in this frame
    void* window;              // the meter window at hand-over, target of the drawing
    uint32_t modeWord;         // applied values at hand-over
    uint32_t rmsSelect;
    uint32_t peakSelect;
    uint32_t linearBallistics; // 0 factor ballistics, 1 additive steps
    float minDb;
    float maxDb;
    float dbOffset;
    float peakRelease;         // release and attack coefficients (factors or steps)
    float powerRelease;
    float averageRelease;
    float powerAttack;
    float averageAttack;
    float framePeakL;          // the frame's sums; the statistics step turns each
    float frameSumL;           // sum into the mean and each sum of squares into
    float frameSumSqL;         // the mean square
    float framePeakR;
    float frameSumR;
    float frameSumSqR;
    float peakL;               // ballistic values: amplitudes for peak and average,
    float averageL;            // mean squares for power
    float powerL;
    float peakR;
    float averageR;
    float powerR;
    float corrSum;             // copy
    float correlation;         // ballistic correlation, -1..+1
    int32_t correlationMarker; // the correlator drawing's own; -1 at allocation
    float phaseStep;           // correlation release per frame
    uint32_t historyGraphWord; // the history graph's own
    uint32_t recordOn;         // 1 = append a history slot for this frame
    uint32_t restart;          // 1 = clear the ballistic values before this frame
    HistoryStore history;      // the level history
    int64_t samplePosition;    // at hand-over
};

// Steps 1 to 5 of a frame: turns the sums into means and mean squares, lets
// the peaks jump up, the averages and powers rise by the attack and, for two
// channels, holds the correlation at its extreme of one sign. Returns the
// frame's own correlation (0 for one channel).
float FrameApplyAttack(DisplayFrame* frame, uint32_t channels);

// The release after the frame was recorded and drawn: factors or steps, a
// value at or below the floor (or its step) becoming exactly 0; for two
// channels the correlation returns toward 0 by phaseStep.
void FrameApplyRelease(DisplayFrame* frame, uint32_t channels);

// The history slot of the frame as it stands (after attack, before release).
HistoryRecord FrameHistoryRecord(const DisplayFrame* frame);

// Clears the ballistic values of both channels and the correlation.
void FrameClearBallistics(DisplayFrame* frame);
