// The time-entry dialog's conversions.
#include "toolkit/time_entry.h"

#include "toolkit/musical_position.h"
#include "toolkit/number_text.h"

#include <cmath>
#include <cstdio>

namespace {

// Beats of the 15 notes: plain, triplets, dotted.
const double kNoteBeats[kNoteCount] = {
    4.0,       2.0,       1.0,       0.5,       0.25,      // plain
    8.0 / 3.0, 4.0 / 3.0, 2.0 / 3.0, 1.0 / 3.0, 1.0 / 6.0, // triplets
    6.0,       3.0,       1.5,       0.75,      0.375,     // dotted
};

const uint32_t kBeatUnits[5] = {16, 8, 4, 2, 1};
constexpr uint32_t kMaxBeatsPerBar = 64;

bool RateAllowed(float rate) {
    return rate > 0.0f && rate <= kMaxRate; // false for a rate that is not a number
}

bool NotesAllowed(const uint16_t notes[6]) {
    for (int i = 0; i < kMaxNotes && notes[i] != kNoNote; ++i)
        if (notes[i] >= kNoteCount) return false;
    return true;
}

bool BeatUnitAllowed(uint32_t unit) {
    for (uint32_t allowed : kBeatUnits)
        if (unit == allowed) return true;
    return false;
}

bool FocusAllowed(uint32_t focus) {
    static const int kFields[] = {kTimeSeconds, kTimeMilliseconds, kTimeHertz,    kTimeBpm,
                                  kTimeTempo,   kTimeReplace,      kTimeMetres,   kTimeSamples,
                                  kTimeTicks,   kTimeBeatsPerBar,  kTimeBeatUnit, kTimePosition,
                                  kTimeFrames,  kTimeFps};
    for (int field : kFields)
        if (int(focus & 0xFFFF) == field) return true;
    return false;
}

double ReadNonNegative(const char* text) {
    double number = TextToNumber(text);
    return number > 0.0 ? number : 0.0;
}

double Reciprocal(double numerator, double value) {
    return value == 0.0 ? 0.0 : numerator / value;
}

} // namespace

void SetDefaultTimeEntrySettings(TimeEntrySettings* settings) {
    *settings = TimeEntrySettings{};
    settings->notes[0] = 2; // one quarter note
    for (int i = 1; i < 6; ++i)
        settings->notes[i] = kNoNote;
    settings->notes[5] = 0; // the stored default's last half-word is 0
    settings->replaceMode = 1;
    settings->tempo = 120.0f;
    settings->focusField = kTimeSeconds;
    settings->sampleRate = 44100;
    settings->ticksPerBeat = 96;
    settings->beatsPerBar = 4;
    settings->beatUnit = 4;
    settings->framesPerSecond = 25.0f;
}

double NoteBeats(int index) {
    return index >= 0 && index < kNoteCount ? kNoteBeats[index] : 0.0;
}

int NoteCount(const TimeEntrySettings* settings) {
    int count = 0;
    while (count < kMaxNotes && settings->notes[count] != kNoNote)
        ++count;
    return count;
}

double NoteDuration(const TimeEntrySettings* settings) {
    const int count = NoteCount(settings);
    if (!(settings->tempo > 0.0f) || count == 0) return 0.0;
    double beats = 0.0;
    for (int i = 0; i < count; ++i)
        beats += NoteBeats(settings->notes[i]);
    return beats / settings->tempo * 60.0;
}

int PickNote(TimeEntrySettings* settings, int index) {
    if (index < 0 || index >= kNoteCount) return 0;
    int count = NoteCount(settings);
    if (settings->replaceMode || count >= kMaxNotes) count = 0;
    settings->notes[count] = static_cast<uint16_t>(index);
    for (int i = count + 1; i < 6; ++i)
        settings->notes[i] = kNoNote;
    return 1;
}

double TimeEntrySecondsFromField(TimeEntrySettings* settings, int field, const char* text) {
    switch (field) {
    case kTimeSeconds: return ReadNonNegative(text);
    case kTimeMilliseconds: return ReadNonNegative(text) * 0.001;
    case kTimeHertz: return Reciprocal(1.0, ReadNonNegative(text));
    case kTimeBpm: return Reciprocal(60.0, ReadNonNegative(text));
    case kTimeMetres: return ReadNonNegative(text) * kSecondsPerMetre;
    case kTimeSamples: {
        const double samples = RoundHalfDown(static_cast<float>(ReadNonNegative(text)));
        return settings->sampleRate ? samples / settings->sampleRate : 0.0;
    }
    case kTimePosition:
        return ParseMusicalPosition(text, settings->tempo,
                                    static_cast<int32_t>(settings->ticksPerBeat),
                                    static_cast<int32_t>(settings->beatsPerBar),
                                    static_cast<int32_t>(settings->beatUnit)) /
               1000.0;
    case kTimeFrames:
        return settings->framesPerSecond > 0.0f ? ReadNonNegative(text) / settings->framesPerSecond
                                                : 0.0;
    case kTimeTempo:
        settings->tempo = static_cast<float>(ReadNonNegative(text));
        return NoteDuration(settings);
    default: return -1.0;
    }
}

int TimeEntrySetSetting(TimeEntrySettings* settings, int field, const char* text) {
    const double number = ReadNonNegative(text);
    switch (field) {
    case kTimeTicks:
        settings->ticksPerBeat =
            number < 1.0
                ? 1u
                : (number > kMaxTicksPerBeat ? kMaxTicksPerBeat : static_cast<uint32_t>(number));
        return 1;
    case kTimeFps: settings->framesPerSecond = static_cast<float>(number); return 1;
    default: return 0;
    }
}

uint32_t BeatsPerBarOfIndex(int index) {
    return index >= 0 && index < static_cast<int>(kMaxBeatsPerBar) ? kMaxBeatsPerBar - index : 4;
}

int IndexOfBeatsPerBar(uint32_t beatsPerBar) {
    if (beatsPerBar < 1 || beatsPerBar > kMaxBeatsPerBar) beatsPerBar = 4;
    return static_cast<int>(kMaxBeatsPerBar - beatsPerBar);
}

uint32_t BeatUnitOfIndex(int index) {
    return index >= 0 && index < 5 ? kBeatUnits[index] : 4;
}

int IndexOfBeatUnit(uint32_t beatUnit) {
    for (int i = 0; i < 5; ++i)
        if (kBeatUnits[i] == beatUnit) return i;
    return 2;
}

int TimeEntryFieldText(const TimeEntrySettings* settings, int field, double seconds, char* out,
                       size_t outSize) {
    if (!out || outSize == 0) return 0;
    int length = 0;
    switch (field) {
    case kTimeSeconds: length = std::snprintf(out, outSize, "%.6f", seconds); break;
    case kTimeMilliseconds: length = std::snprintf(out, outSize, "%.3f", seconds * 1000.0); break;
    case kTimeHertz: length = std::snprintf(out, outSize, "%.3f", Reciprocal(1.0, seconds)); break;
    case kTimeBpm: length = std::snprintf(out, outSize, "%.3f", Reciprocal(60.0, seconds)); break;
    case kTimeMetres: length = std::snprintf(out, outSize, "%.3f", seconds * kSpeedOfSound); break;
    case kTimeSamples:
        length = std::snprintf(
            out, outSize, "%.0f",
            static_cast<double>(RoundHalfDown(static_cast<float>(settings->sampleRate * seconds))));
        break;
    case kTimePosition:
        length = FormatMusicalPosition(
            out, outSize, static_cast<float>(seconds * 1000.0), settings->tempo,
            static_cast<int32_t>(settings->ticksPerBeat),
            static_cast<int32_t>(settings->beatsPerBar), static_cast<int32_t>(settings->beatUnit));
        break;
    case kTimeFrames:
        length = std::snprintf(out, outSize, "%.3f", settings->framesPerSecond * seconds);
        break;
    case kTimeTempo: length = std::snprintf(out, outSize, "%.3f", settings->tempo); break;
    case kTimeTicks:
        length = std::snprintf(out, outSize, "%04u", static_cast<unsigned>(settings->ticksPerBeat));
        break;
    case kTimeFps: length = std::snprintf(out, outSize, "%.3f", settings->framesPerSecond); break;
    default: out[0] = '\0'; return 0;
    }
    if (length < 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(length) < outSize ? length : static_cast<int>(outSize - 1);
}

int RepairTimeEntrySettings(TimeEntrySettings* s) {
    TimeEntrySettings d;
    SetDefaultTimeEntrySettings(&d);
    int replaced = 0;
    auto keep = [&replaced](bool allowed) {
        if (!allowed) ++replaced;
        return allowed;
    };
    if (!keep(NotesAllowed(s->notes)))
        for (int i = 0; i < 6; ++i)
            s->notes[i] = d.notes[i];
    if (!keep(s->replaceMode <= 1)) s->replaceMode = d.replaceMode;
    if (!keep(RateAllowed(s->tempo))) s->tempo = d.tempo;
    if (!keep(FocusAllowed(s->focusField))) s->focusField = d.focusField;
    if (!keep(s->sampleRate >= 1 && s->sampleRate <= kMaxRate)) s->sampleRate = d.sampleRate;
    if (!keep(s->ticksPerBeat >= 1 && s->ticksPerBeat <= kMaxTicksPerBeat))
        s->ticksPerBeat = d.ticksPerBeat;
    if (!keep(s->beatsPerBar >= 1 && s->beatsPerBar <= kMaxBeatsPerBar))
        s->beatsPerBar = d.beatsPerBar;
    if (!keep(BeatUnitAllowed(s->beatUnit))) s->beatUnit = d.beatUnit;
    if (!keep(RateAllowed(s->framesPerSecond))) s->framesPerSecond = d.framesPerSecond;
    return replaced;
}
