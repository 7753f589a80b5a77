// The "Cue List" dialog: the cue points of an engine with their times, a jump
// of the history view to the entry chosen, and deletion. Modal, built in
// memory, opened from the meter window's menu.
#pragma once

#include <windows.h>

#include <cstdint>

struct MeterEngine;
struct MeterWindowContext;

// Scrolls the engine's history view so that cue k (1-based) shows 50 columns
// left of the right edge, or the end of a shorter history. Out-of-range k,
// an empty view or a closed meter window do nothing.
void JumpToCue(MeterEngine* engine, int32_t k);

// Runs the dialog as a modal dialog of parent at screen (x, y) until it is
// closed. context->cueListDialog holds it meanwhile, so that closing the meter
// window or loading a history can end it. Returns 0 (also when the template
// cannot be made, and then nothing is shown).
int OpenCueList(MeterWindowContext* context, HWND parent, uint32_t flags, int x, int y);
