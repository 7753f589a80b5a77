// The main window's file commands: "Select Wav File" and the control panel's
// history load and save, with file dialogs that remember their folders.
// Paths are UTF-8; the dialogs are the wide ones, so that a name outside the
// ANSI code page is handed over as it was chosen or typed.
#pragma once

#include <windows.h>

#include <cstddef>

struct ControlPanel;
struct Program;

extern const char kWaveDialogTitle[];  // "Load a wave file"
extern const char kSorryFormatText[];  // "This Sound Format is not available !!!\n..."
extern const char kSorryFormatTitle[]; // "Sorry..."
extern const char kRecordingWarningText[];
extern const char kRecordingWarningTitle[]; // "Warning !"
extern const char kLoadFailedText[];
extern const char kSaveFailedText[];
extern const char kDiskErrorTitle[];          // "Disk Error"
extern const char kSampleRateWarningFormat[]; // "...(%iHz)..."
extern const char kSampleRateWarningTitle[];  // "Warning"

// The size of the path a history dialog hands back: the dialog's 260
// characters, each at most 3 bytes in UTF-8, and room for the appended
// default extension.
constexpr size_t kHistoryPathSize = 3 * 260 + 12;

// "Select Wav File": stops the stream, asks for a file (unless path names
// one already, as a dropped file does) and opens it. A file that does not
// open or is not 16-bit stereo 44100 Hz gets the "Sorry..." box and the
// previously accepted file is opened again. Ignored while a selection is
// under way.
void SelectWaveFile(Program* program, const char* path = nullptr);

// The history file dialog. Starts in the folder remembered as "dir" under
// key (or the start directory), with "*" + extension as the name; mode 1
// opens an existing file, any other mode saves. On confirmation appends
// extension to a name without one, stores the folder as "dir" and the file
// name as "Name" under key, and returns 1 with the full path in path
// (kHistoryPathSize bytes); returns 0 when cancelled. The process's current
// directory is the same afterwards.
int SelectHistoryFile(HWND owner, const char* key, char* path, const wchar_t* filter,
                      const char* extension, const char* title, int mode);

// The control panel's load button: refused while recording, then the open
// dialog, the read and its message boxes.
void LoadHistoryCommand(ControlPanel* panel);

// The same for a file already named (a dropped one): no dialog, and the
// dialog's remembered folder stays as it was.
void LoadHistoryPath(ControlPanel* panel, const char* path);

// The control panel's save button: the save dialog, the write and its box.
void SaveHistoryCommand(ControlPanel* panel);
