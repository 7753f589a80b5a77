// Files dropped on the main window or the meter window from a file manager.
// A dropped WAVE file is selected as "Select Wav File" selects a chosen one,
// a dropped history file is loaded as the load button loads a chosen one.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct Program;

// WM_DROPFILES: of the dropped files, the first WAVE file is selected, then
// the first history file is loaded, each with the messages of its command;
// the kind is told by the file's first bytes, never by its name; other
// files and folders are passed over silently. A drop that arrives
// while the previous one is still being handled (its message box is open)
// is ignored. Frees drop.
void TakeDroppedFiles(Program* program, HDROP drop);
