// The main window's control panel record. The main window builds and owns
// it; the meter window keeps the panel's mode radios and zoom knob in step,
// and the status panel reads its engine and lamp fields. It lives here, below
// the program's top, so that view/ never includes app/.
#pragma once

#include <windows.h>

#include <cstdint>

struct MeterEngine;

// One program-wide record, zero-filled before the panel is built. Control
// handles are null when the control was not created (the attack knob, the
// attack and offset switches and the scale-type switch never are).
struct ControlPanel {
    HWND parent;         // the main window
    MeterEngine* engine; // the meter engine the controls write into
    HWND holdSwitch;
    HWND attackKnob, attackSwitch, offsetSwitch;
    HWND delayKnob;
    HWND openMeterButton;
    HWND maxDbKnob, minDbKnob;
    HWND peakFallKnob, averageFallKnob;
    HWND peakRadio, rmsRadio, averageRadio;
    HWND resetButton;
    HWND scaleTypeSwitch;
    HWND phaseReleaseKnob;
    HWND recordSwitch;
    HWND statusPanel;
    HWND zoomKnob;
    HWND followButton;
    uint32_t lampBusy;     // 1 while the timer step paints the lamp
    uint32_t lampPhase;    // toggles at every timer step
    uintptr_t statusTimer; // the status panel's timer, 0 when none runs
    uint32_t recordLamp;   // 1 while recording is on
    HWND loadButton, saveButton;
};

// Builds the panel's controls as children of mainWindow in their order
// (panel must be cleared and hold its engine) and links the panel to the
// engine's meter window context. Returns 1.
int BuildControlPanel(ControlPanel* panel, HWND mainWindow);

// Unlinks the panel from the meter window context and destroys every
// control window it holds, setting the handles to null. Returns 1.
int DestroyControlPanel(ControlPanel* panel);
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ControlPanel) == 28 * 4, "28 32-bit words in the shipped program");
#endif
