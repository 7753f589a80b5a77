// The arithmetic of the time-entry dialog ("Enter Time"): one duration in
// seconds shown as milliseconds, frequency, tempo, metres at the speed of
// sound, samples, note values, a musical position and video frames, and
// each of those read back. Portable and pure; the dialog
// (toolkit/time_entry_dialog_win32.cpp) keeps the windows.
#pragma once

#include <cstddef>
#include <cstdint>

// The dialog's settings, kept by the toolkit and stored as the 44-byte
// "Dial_tCtx".
struct TimeEntrySettings {
    uint16_t notes[6];    // up to five note indices (0-14), ended by 0xFFFF
    uint32_t replaceMode; // 1 replace, 0 append
    float tempo;          // beats per minute
    uint32_t focusField;  // low 16 bits: id of the field that had the focus
    uint32_t sampleRate;  // Hz
    uint32_t ticksPerBeat;
    uint32_t beatsPerBar;
    uint32_t beatUnit;     // 1, 2, 4, 8 or 16
    float framesPerSecond; // video frames per second
};
static_assert(sizeof(TimeEntrySettings) == 44, "Dial_tCtx is 44 bytes");

// Field ids of the dialog; also what the settings' focus word holds.
enum TimeEntryField : int {
    kTimeSeconds = 10,
    kTimeMilliseconds = 11,
    kTimeHertz = 12,
    kTimeBpm = 13,
    kTimeTempo = 14,
    kTimeReplace = 15, // the replace-mode toggle button
    kTimeMetres = 50,
    kTimeSamples = 51,
    kTimeTicks = 60,
    kTimeBeatsPerBar = 61, // list box, "64" down to "1"
    kTimeBeatUnit = 62,    // list box, "16", "8", "4", "2", "1"
    kTimePosition = 63,
    kTimeFrames = 70,
    kTimeFps = 71,
};

constexpr uint16_t kNoNote = 0xFFFF;
constexpr int kMaxNotes = 5;
constexpr int kNoteCount = 15;
constexpr uint32_t kMaxTicksPerBeat = 99999;
constexpr double kSpeedOfSound = 330.0; // metres per second
constexpr double kSecondsPerMetre = 0.003030303;

// Fills settings with the defaults: one quarter note, replace mode, 120 bpm,
// focus on the seconds, 44100 Hz, 96 ticks, 4/4, 25 frames per second. The
// note words read 0xFFFF0002, 0xFFFFFFFF, 0x0000FFFF (the sixth slot only
// ends the list and is never read).
void SetDefaultTimeEntrySettings(TimeEntrySettings* settings);

// Settings read back from the store: each word outside its range takes its
// default, so that nothing stored can show "nan" or divide by zero. Notes
// are indices 0-14 up to the first kNoNote; replace mode 0 or 1; tempo and
// frames per second finite, above 0 and at most kMaxRate; the focus one of
// the fields; sample rate 1 to kMaxRate Hz; ticks per beat 1 to
// kMaxTicksPerBeat; beats per bar 1 to 64; beat unit 1, 2, 4, 8 or 16.
// Returns the number of words replaced.
constexpr double kMaxRate = 1e6;
int RepairTimeEntrySettings(TimeEntrySettings* settings);

// Returns the length in beats of note index 0-14 (plain, triplet and dotted
// rows of five), 0 for any other index.
double NoteBeats(int index);

// Returns the number of notes in the slots (up to the first kNoNote, at most 5).
int NoteCount(const TimeEntrySettings* settings);

// Returns the notes' total length in seconds at the settings' tempo: 0 when
// the tempo is not above 0 or there is no note.
double NoteDuration(const TimeEntrySettings* settings);

// Adds a picked note: in replace mode, or when five notes are there, the
// note alone replaces them; otherwise it is appended. Returns 0 when index
// is no note (nothing changes), 1 otherwise.
int PickNote(TimeEntrySettings* settings, int index);

// Returns the new duration in seconds when a duration field holds text: a
// number read leniently, negative taken as 0. The tempo field also stores
// the tempo and returns the note duration. Returns -1 for fields that do
// not set the duration.
double TimeEntrySecondsFromField(TimeEntrySettings* settings, int field, const char* text);

// Applies a settings field (ticks per beat clamped to [1, 99999] and
// truncated, frames per second) from its text. Returns 1 when field is one
// of them, 0 otherwise.
int TimeEntrySetSetting(TimeEntrySettings* settings, int field, const char* text);

// The beats per bar of list index (64 - index) and the index of a count;
// the beat unit of list index (16, 8, 4, 2, 1) and its index. Out of range
// gives 4 (or the index of 4).
uint32_t BeatsPerBarOfIndex(int index);
int IndexOfBeatsPerBar(uint32_t beatsPerBar);
uint32_t BeatUnitOfIndex(int index);
int IndexOfBeatUnit(uint32_t beatUnit);

// Writes the text field shows for a duration of seconds. Returns the
// length, or 0 (empty text) for a field without text.
int TimeEntryFieldText(const TimeEntrySettings* settings, int field, double seconds, char* out,
                       size_t outSize);
