#include "tools/scan_passages.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "meter/power_of_ten.h"
#include "meter/sample_lanes.h"

namespace {

constexpr double kRate = 44100.0;
constexpr uint32_t kBlockFrames = 441; // 10 ms
constexpr uint32_t kWindowBlocks = 10; // correlation over 100 ms
constexpr float kFullScale = 32767.0f; // |sample| at or above: clipped (32767 or -32768)
// Clip runs less than this apart join one passage: a clipped tone would
// otherwise mark every half-wave.
constexpr int64_t kClipJoinFrames = 44100;

typedef int16_t S4 __attribute__((vector_size(8)));

// Two frames as left, right, left, right.
inline V4 LoadPair(const unsigned char* p) {
    S4 s;
    std::memcpy(&s, p, sizeof s);
    return __builtin_convertvector(s, V4);
}

// Peaks and sums of a piece of a block. Lanes 0 and 2 hold the left
// channel, 1 and 3 the right.
void PieceSums(PassageFinder* f, const unsigned char* p, uint32_t frames) {
    V4 peak = {0, 0, 0, 0}, squares = peak, products = peak;
    uint32_t i = 0;
    for (; i + 2 <= frames; i += 2, p += 8) {
        const V4 v = LoadPair(p);
        const V4 swapped = SwapPairs4(v);
        peak = Max4(peak, Abs4(v));
        squares += v * v;
        products += v * swapped;
    }
    if (i < frames) { // the odd frame, with silence beside it
        unsigned char last[8] = {};
        std::memcpy(last, p, 4);
        const V4 v = LoadPair(last);
        peak = Max4(peak, Abs4(v));
        squares += v * v;
        products += v * SwapPairs4(v);
    }
    f->blockPeak[0] = std::fmax(f->blockPeak[0], std::fmax(peak[0], peak[2]));
    f->blockPeak[1] = std::fmax(f->blockPeak[1], std::fmax(peak[1], peak[3]));
    f->blockSums[0] += double(squares[0]) + double(squares[2]);
    f->blockSums[1] += double(squares[1]) + double(squares[3]);
    f->blockSums[2] += double(products[0]) + double(products[2]);
}

// Counts the passage once it is long enough and keeps it while there is
// room; then follows its growth.
Passage* Grow(PassageFinder* f, OpenPassage* open, int kind, int64_t minimum) {
    if (open->length < minimum) return nullptr;
    if (!open->counted) {
        open->counted = true;
        open->index = -1;
        f->total += 1;
        if (f->count < f->capacity) {
            open->index = int32_t(f->count++);
            Passage& p = f->found[open->index];
            std::memset(&p, 0, sizeof p);
            p.kind = kind;
            p.start = open->start;
            p.lowest = 1.0f;
        }
    }
    if (open->index < 0) return nullptr;
    Passage* p = &f->found[open->index];
    p->length = open->length;
    return p;
}

void Close(OpenPassage* open) {
    *open = OpenPassage{0, 0, false, -1};
}

// Extends or starts the run of open by `frames` beginning at `at`.
void Extend(OpenPassage* open, int64_t at, int64_t frames) {
    if (open->length == 0) open->start = at;
    open->length = at + frames - open->start;
}

// A run of `run` full-scale samples so far on channel ch, ending at frame `at`.
void ClipRun(PassageFinder* f, int ch, int64_t at, int32_t run) {
    OpenPassage* open = &f->clipping;
    const int64_t runStart = at + 1 - run;
    if (open->length > 0 && runStart - f->clipEnd >= kClipJoinFrames) Close(open);
    Extend(open, runStart, run);
    f->clipEnd = at + 1;
    if (Passage* p = Grow(f, open, kPassageClip, 1)) {
        p->channels |= 1 << ch;
        if (run > p->longest) p->longest = run;
    }
}

// Sample by sample, only for pieces that reach full scale.
void FindClipRuns(PassageFinder* f, const unsigned char* p, uint32_t frames) {
    for (uint32_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < 2; ++ch) {
            int16_t s;
            std::memcpy(&s, p + 4 * size_t(i) + 2 * ch, 2);
            ClipTrack& t = f->clip[ch];
            if (s != 32767 && s != -32768) {
                t.runLength = 0;
                continue;
            }
            if (++t.runLength >= f->rules.clipRun) ClipRun(f, ch, f->position + i, t.runLength);
        }
}

void SilenceBlock(PassageFinder* f, int64_t blockStart) {
    if (f->blockPeak[0] >= f->silenceLimit || f->blockPeak[1] >= f->silenceLimit) {
        Close(&f->silence);
        return;
    }
    Extend(&f->silence, blockStart, kBlockFrames);
    Grow(f, &f->silence, kPassageSilence, int64_t(f->rules.silenceSeconds * kRate));
}

// The correlation over the last kWindowBlocks blocks, placed at the
// window's middle; 0 when a channel is silent.
void PhaseBlock(PassageFinder* f, int64_t blockStart) {
    std::memcpy(f->window[f->blocks % kWindowBlocks], f->blockSums, sizeof f->blockSums);
    if (++f->blocks < kWindowBlocks) return;
    double s[3] = {0, 0, 0};
    for (const double* b : f->window)
        for (int k = 0; k < 3; ++k)
            s[k] += b[k];
    const double power = s[0] * s[1];
    const double corr = power > 1.0 ? s[2] / std::sqrt(power) : 0.0;
    if (!(corr < f->rules.phaseBelow)) {
        Close(&f->phase);
        return;
    }
    const int64_t middle = blockStart + kBlockFrames - int64_t(kWindowBlocks / 2 * kBlockFrames);
    Extend(&f->phase, middle, kBlockFrames);
    if (Passage* p = Grow(f, &f->phase, kPassagePhase, int64_t(f->rules.phaseSeconds * kRate)))
        p->lowest = std::fmin(p->lowest, float(corr));
}

void BlockDone(PassageFinder* f) {
    const int64_t blockStart = f->position - kBlockFrames;
    if (f->rules.kinds & kPassageSilence) SilenceBlock(f, blockStart);
    if (f->rules.kinds & kPassagePhase) PhaseBlock(f, blockStart);
    f->blockFill = 0;
    f->blockPeak[0] = f->blockPeak[1] = 0.0f;
    f->blockSums[0] = f->blockSums[1] = f->blockSums[2] = 0.0;
}

} // namespace

int PassageFinderInit(PassageFinder* f, uint32_t capacity) {
    f->found = static_cast<Passage*>(std::calloc(capacity ? capacity : 1, sizeof(Passage)));
    f->capacity = f->found ? capacity : 0;
    return f->found != nullptr;
}

void PassageFinderFree(PassageFinder* f) {
    std::free(f->found);
    f->found = nullptr;
    f->capacity = 0;
}

void PassageFinderStart(PassageFinder* f, const PassageRules& rules) {
    Passage* found = f->found;
    const uint32_t capacity = f->capacity;
    *f = PassageFinder{};
    f->found = found;
    f->capacity = capacity;
    f->rules = rules;
    f->silenceLimit = 32768.0f * PowerOfTen(float(rules.silenceDb / 20.0));
    Close(&f->clipping);
    Close(&f->phase);
    Close(&f->silence);
}

void PassageFinderAdd(PassageFinder* f, const void* samples, uint32_t frames) {
    const unsigned char* p = static_cast<const unsigned char*>(samples);
    while (frames > 0) {
        const uint32_t n =
            frames < kBlockFrames - f->blockFill ? frames : kBlockFrames - f->blockFill;
        const float before[2] = {f->blockPeak[0], f->blockPeak[1]};
        f->blockPeak[0] = f->blockPeak[1] = 0.0f;
        PieceSums(f, p, n);
        const bool clipped = f->blockPeak[0] >= kFullScale || f->blockPeak[1] >= kFullScale;
        if ((f->rules.kinds & kPassageClip) && clipped)
            FindClipRuns(f, p, n);
        else
            f->clip[0].runLength = f->clip[1].runLength = 0;
        f->blockPeak[0] = std::fmax(before[0], f->blockPeak[0]);
        f->blockPeak[1] = std::fmax(before[1], f->blockPeak[1]);
        f->position += n;
        f->blockFill += n;
        p += 4 * size_t(n);
        frames -= n;
        if (f->blockFill == kBlockFrames) BlockDone(f);
    }
}

void PassageName(const Passage& p, char* out, int size) {
    static const char* const kChannels[] = {"", "L", "R", "LR"};
    if (p.kind == kPassageClip)
        std::snprintf(out, size_t(size), "clip %s %d samples", kChannels[p.channels & 3],
                      int(p.longest));
    else if (p.kind == kPassagePhase)
        std::snprintf(out, size_t(size), "phase %.2f for %.1f s", double(p.lowest),
                      double(p.length) / kRate);
    else
        std::snprintf(out, size_t(size), "silence %.1f s", double(p.length) / kRate);
}
