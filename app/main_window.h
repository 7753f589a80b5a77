// The main window "w_principale" and the program-wide objects it owns for the
// whole run: the output driver, the WAVE file and its stream, the meter
// engine, the control panel, the hot keys and the right-click menu. Its
// creation brings them up in order and its WM_DESTROY takes them down in
// the reverse order.
#pragma once

#include <windows.h>

#include <cstdint>

#include "audio/input_stream.h"
#include "audio/stream.h"
#include "audio/wave_device.h"
#include "audio/wave_file.h"
#include "meter/live_loudness.h"
#include "toolkit/toolkit.h"
#include "view/control_panel.h"

struct MeterEngine;

extern const char kMainWindowClass[]; // "w_principale"
extern const char kMainWindowTitle[]; // "Tenvelo"
extern const char kMainMenuName[];    // "MenuMonApp"

constexpr int kStartupDirectorySize = 1000;
constexpr int kPanelWidth = 250; // the client area, as bitmap 500
constexpr int kPanelHeight = 400;
constexpr int kBackgroundBitmap = 500;

// The window frame sizes of the current system settings.
struct FrameMetrics {
    int frameWidth;    // a fixed (dialog) frame, SM_CXFIXEDFRAME
    int captionHeight; // a window caption
    int menuHeight;    // a menu bar
};

// The program-wide objects. One per run, zero-filled (value-initialised)
// before the main window is created; the main window's user data points to
// it. Everything here belongs to the user-interface thread, except what
// the stream context says of itself.
struct Program {
    HINSTANCE instance;
    HWND mainWindow;                    // set in WM_CREATE
    FrameMetrics metrics;               // read in WM_CREATE
    uint32_t hotKeysRegistered;         // 1 while F1, F2, F4, F5, F6 and F7 are ours
    HMENU infoMenu;                     // the right-click menu
    ControlPanel panel;                 // the front panel's controls
    WindowDragState drag;               // moving the window by its client area
    MeterEngine* engine;                // the engine slot; the stream reaches it here
    WaveDriver driver;                  // the output driver
    WaveFile file;                      // the loaded WAVE file
    StreamContext stream;               // the streaming thread and the latency
    char rememberedWave[kWavePathSize]; // the last accepted WAVE file, "" at start
    uint32_t takingDrop;                // 1 while dropped files are being taken
    LiveLoudness loudness;              // fed by whichever stream runs
    InputStream input;                  // measuring the input, beside the stream
    HMENU inputMenu;                    // the menu bar's "&Input"
};

// The program of a main window (null before WM_CREATE and after the shutdown).
Program* ProgramOfWindow(HWND mainWindow);

// Saves the working directory as StartupDirectory ("C:\" stays when it cannot
// be read or takes 1000 bytes or more in UTF-8).
void SaveStartupDirectory();

// The working directory at start-up, in UTF-8.
const char* StartupDirectory();

// Reads the frame metrics from the system settings.
FrameMetrics GetFrameMetrics();

// The screen's width and height in pixels.
void GetScreenSize(int* width, int* height);

// The outer size of the main window for a 250 x 400 client area with the
// menu bar: 250 + 2 frames wide, 392 + caption + menu + 3 frames high.
void MainWindowSize(const FrameMetrics& metrics, int* width, int* height);

// Registers "w_principale" with icon 100 and the menu "MenuMonApp". Returns
// 1 on success, 0 on failure.
int RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window for program; its WM_CREATE brings the program's
// objects up. Returns the window, or 0 when a step failed (after the step's
// own message box; the objects made before the failure are not released).
HWND CreateMainWindow(Program* program);

// Sends WM_CLOSE to every popup window that the main window owns and waits
// for each, then posts WM_DESTROY to the main window, which shuts down.
void CloseAllWindows(HWND mainWindow);

// Start-up to exit: keeps the start directory, loads the shared bitmaps,
// registers the classes, creates and shows the main window and runs the
// message loop. Returns the exit code (0, also after a failure box).
int RunProgram(HINSTANCE instance);
