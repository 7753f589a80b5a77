// The main window's commands: one dispatcher for the menu bar, the hot keys
// F1, F2, F4, F5, F6 and F7 and the right-click menu, and the hot keys' registration,
// which follows the program's activation.
#pragma once

#include <windows.h>

#include <cstdint>

struct Program;

// Command ids of the menu bar, the hot keys and the right-click menu.
enum CommandId : uint16_t {
    kCommandZero = 20,
    kCommandPlay = 21,
    kCommandStop = 22,
    kCommandMeasureInput = 23,
    kCommandStopInput = 24,
    kCommandSelectWave = 30,
    kCommandLatency200 = 50, // .. 54: 200, 100, 50, 30, 20 ms
    kCommandLatency20 = 54,
    kCommandInputDeviceFirst = 60, // .. 91: the Input menu's devices, in list order
    kCommandInputDeviceLast = 91,
    kCommandQuit = 100,
    kCommandAbout = 101,
    kCommandInfo = 888,
    kCommandWebPage = 890,
    kCommandMail = 891,
};

extern const char kAboutTitle[]; // "About..."
extern const char kAboutText[];
extern const char kInfoDocument[]; // "readme.txt"

// Runs the command (the low 16 bits of WM_COMMAND's or WM_HOTKEY's wParam).
// Unknown ids do nothing.
void DispatchCommand(Program* program, uint16_t id);

// Registers F1, F2, F4, F5, F6 and F7 (no modifiers) with the main window
// as target, unless they are registered. A key another program holds is not
// reported.
void RegisterHotKeys(Program* program);

// Unregisters the six keys when they are registered.
void UnregisterHotKeys(Program* program);

// Builds the right-click menu: "info...", "See PX's Web Pages...", "E-mail
// me...". Returns the menu, or 0.
HMENU CreateInfoMenu();
