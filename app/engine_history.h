// The engine's side of the history file commands: saving the engine's store
// and installing a file's history in it.
#pragma once

struct MeterEngine;

// Writes the engine's history and cues to path. Returns 0 on success, -1 on
// failure (no engine, empty history, cannot write); an existing file is
// replaced only by a complete one.
int SaveEngineHistory(MeterEngine* engine, const char* path);

// Sets the zoom of both parameter copies to 1, then reads path and, when it
// is a valid history file, installs its history and cues in the engine's
// store under the engine lock, with the view at its end, the history start
// time and the sample position of its last slot. Returns -1 on failure (the
// store is left as it was), 0 when the file's sample rate is the engine's,
// otherwise the file's sample rate (the engine's rate is kept).
int LoadEngineHistory(MeterEngine* engine, const char* path);
