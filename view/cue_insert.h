// Setting a cue point with Ctrl+click on the history graph: the clicked
// column's slot gives the time, the user names it in the toolkit's text
// entry, and the cue joins the engine's cue block in time order.
#pragma once

#include <windows.h>

struct MeterEngine;

// Texts of the refusal when the block is full.
extern const char kCueFullText[];    // "Failed to Add a new Cue point !"
extern const char kCueFullCaption[]; // "Too Much cue points"

// Handles a left-button press at client point with key flags `keys` on the
// meter window. Returns 1 when the press was the history view's (a cue was
// added, refused, or the column holds no slot), 0 when it is not (layout
// unusable, outside the graph, or no Ctrl: then it is the history drag).
int AddCueAtPoint(MeterEngine* engine, HWND window, WPARAM keys, POINT point);
