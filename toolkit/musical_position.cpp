#include "toolkit/musical_position.h"

#include "toolkit/text_buffer.h"

#include <cmath>

namespace {

// The time signature after the defaults for out-of-range values.
struct Signature {
    float tempo;           // at least 1 beat per minute
    uint32_t ticksPerBeat; // at least 1
    uint32_t beatsPerBar;  // at least 1
    int32_t beatUnit;      // 0 became 4
};

Signature MakeSignature(float tempo, int32_t ticksPerBeat, int32_t beatsPerBar, int32_t beatUnit) {
    Signature sig;
    sig.tempo = tempo >= 1.0f ? tempo : 1.0f; // also catches NaN
    sig.ticksPerBeat = ticksPerBeat >= 1 ? uint32_t(ticksPerBeat) : 1;
    sig.beatsPerBar = beatsPerBar >= 1 ? uint32_t(beatsPerBar) : 4;
    sig.beatUnit = beatUnit;
    if (beatUnit == 0) {
        sig.beatsPerBar = 4;
        sig.beatUnit = 4;
    }
    return sig;
}

uint32_t TicksPerUnit(const Signature* sig) {
    switch (sig->beatUnit) {
    case 1: return sig->ticksPerBeat << 2;
    case 2: return sig->ticksPerBeat << 1;
    case 8: return sig->ticksPerBeat >> 1;
    case 16: return sig->ticksPerBeat >> 2;
    default: return sig->ticksPerBeat;
    }
}

// Splits whole beats into eighth or sixteenth units: the tick keeps what is
// left below one unit of `unitTicks`.
void SplitIntoShortUnits(uint32_t* whole, uint32_t* tick, uint32_t unitTicks, uint32_t perBeat) {
    if (unitTicks == 0) unitTicks = 1; // a beat of fewer ticks than units
    const uint32_t q = *tick / unitTicks;
    *tick -= q * unitTicks;
    *whole = *whole * perBeat + q;
}

} // namespace

int FormatMusicalPosition(char* out, size_t outSize, float timeMs, float tempo,
                          int32_t ticksPerBeat, int32_t beatsPerBar, int32_t beatUnit) {
    const Signature sig = MakeSignature(tempo, ticksPerBeat, beatsPerBar, beatUnit);
    double beats = double(sig.tempo) * double(timeMs) / 60000.0;
    if (!(beats >= 0.0)) beats = 0.0;
    if (beats > 4294967295.0) beats = 4294967295.0;
    const double floorBeats = std::floor(beats);
    uint32_t whole = uint32_t(floorBeats);
    // Ties to even; the tick is not carried, so it can equal ticksPerBeat.
    uint32_t tick = uint32_t(std::nearbyint((beats - floorBeats) * sig.ticksPerBeat));

    switch (sig.beatUnit) {
    case 1:
        tick += whole % 4 * sig.ticksPerBeat;
        whole /= 4;
        break;
    case 2:
        tick += whole % 2 * sig.ticksPerBeat;
        whole /= 2;
        break;
    case 8: SplitIntoShortUnits(&whole, &tick, sig.ticksPerBeat / 2, 2); break;
    case 16: SplitIntoShortUnits(&whole, &tick, sig.ticksPerBeat / 4, 4); break;
    }
    const uint32_t bar = whole / sig.beatsPerBar + 1;
    const uint32_t beat = whole % sig.beatsPerBar + 1;

    TextBuffer text = TextBufferMake(out, outSize);
    TextPutUnsigned(&text, bar, 6, ' ');
    TextPutString(&text, " / ");
    TextPutUnsigned(&text, beat, 2, ' ');
    TextPutString(&text, " / ");
    TextPutUnsigned(&text, tick, 5, ' ');
    return int(text.length);
}

float MusicalPositionToMs(int32_t bar, int32_t beat, int32_t tick, float tempo,
                          int32_t ticksPerBeat, int32_t beatsPerBar, int32_t beatUnit) {
    const Signature sig = MakeSignature(tempo, ticksPerBeat, beatsPerBar, beatUnit);
    const double perUnit = TicksPerUnit(&sig);
    const double ticks = (double(bar) - 1.0) * perUnit * sig.beatsPerBar +
                         (double(beat) - 1.0) * perUnit + double(tick);
    return float(ticks * 60000.0 / (double(sig.ticksPerBeat) * sig.tempo));
}

double ParseMusicalPosition(const char* text, float tempo, int32_t ticksPerBeat,
                            int32_t beatsPerBar, int32_t beatUnit) {
    const Signature sig = MakeSignature(tempo, ticksPerBeat, beatsPerBar, beatUnit);
    size_t position = 0;
    int32_t bar = ReadNumberField(text, &position);
    int32_t beat = ReadNumberField(text, &position);
    int32_t tick = ReadNumberField(text, &position);
    if (bar <= 0) bar = 1;
    if (beat <= 0 || uint32_t(beat) > sig.beatsPerBar) beat = 1;
    if (tick < 0 || uint32_t(tick) > TicksPerUnit(&sig)) tick = 0;
    return MusicalPositionToMs(bar, beat, tick, tempo, ticksPerBeat, beatsPerBar, beatUnit);
}

int32_t ReadNumberField(const char* text, size_t* position) {
    if (!text) return -1;
    size_t i = *position;
    // The cursor never moves past the terminator, so repeated calls stay inside the text.
    while (text[i] && !(text[i] >= '0' && text[i] <= '9'))
        ++i;
    if (!text[i]) {
        *position = i;
        return -1;
    }
    int64_t value = 0;
    for (; text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value >= 2147483647) {
            while (text[i] >= '0' && text[i] <= '9')
                ++i;
            if (text[i]) ++i;
            *position = i;
            return -1;
        }
    }
    if (text[i]) ++i; // the character that ended the run
    *position = i;
    return int32_t(value);
}
