#include "meter/live_loudness.h"

#include <cstddef>

namespace {

// LoudnessAdd takes at most this many frames a call: the longest buffer
// the latency offers, 200 ms.
constexpr uint32_t kChunkFrames = 8820;

// Whether the gated values are due again: see kLiveLoudnessGatingShare.
bool GatingDue(const LiveLoudness* live) {
    uint64_t interval = live->frames / kLiveLoudnessGatingShare;
    if (interval < kLiveLoudnessPublishFrames) interval = kLiveLoudnessPublishFrames;
    if (interval > kLiveLoudnessGatingMaxFrames) interval = kLiveLoudnessGatingMaxFrames;
    return live->frames - live->gatedAt >= interval;
}

void Publish(LiveLoudness* live, bool gate) {
    if (gate) {
        LoudnessFinish(&live->meter, &live->gated);
        live->gatedAt = live->frames;
    }
    const LoudnessResult& result = live->gated;
    const double values[6] = {LoudnessMomentaryAt(&live->meter, live->frames),
                              LoudnessShortTermAt(&live->meter, live->frames),
                              result.integrated,
                              result.range,
                              result.truePeakDb[0],
                              result.truePeakDb[1]};
    // Sequentially consistent throughout (a few stores at the frame rate): a
    // reader that takes a value stored after the odd count sees the count
    // move, with no fence the thread sanitizer cannot follow.
    const uint32_t s = live->sequence.load();
    live->sequence.store(s + 1);
    for (int i = 0; i < 6; ++i)
        live->published[i].store(values[i]);
    live->publishedFrames.store(live->frames);
    live->sequence.store(s + 2);
    live->publishedAt = live->frames;
}

void StartOver(LiveLoudness* live) {
    // The reserved steps are enough, so this allocates nothing.
    LoudnessStart(&live->meter, kLiveLoudnessFrames);
    live->frames = 0;
    Publish(live, true);
}

} // namespace

int LiveLoudnessInit(LiveLoudness* live) {
    live->ready = 0;
    if (!LoudnessInit(&live->meter, kChunkFrames)) return 0;
    if (!LoudnessStart(&live->meter, kLiveLoudnessFrames)) {
        LoudnessFree(&live->meter);
        return 0;
    }
    live->ready = 1;
    StartOver(live);
    return 1;
}

void LiveLoudnessFree(LiveLoudness* live) {
    LoudnessFree(&live->meter);
    live->ready = 0;
}

void LiveLoudnessRestart(LiveLoudness* live) {
    live->resetRequested.store(0);
    if (live->ready) StartOver(live);
}

void LiveLoudnessRequestReset(LiveLoudness* live) {
    live->resetRequested.store(1);
}

void LiveLoudnessAdd(LiveLoudness* live, const void* samples, uint32_t frames) {
    if (!live || !live->ready) return;
    if (live->resetRequested.exchange(0)) StartOver(live);
    // An empty buffer (the end of a file) shows what is left unpublished.
    const bool flush =
        frames == 0 && (live->frames != live->publishedAt || live->frames != live->gatedAt);
    const unsigned char* p = static_cast<const unsigned char*>(samples);
    while (frames > 0) {
        const uint32_t n = frames < kChunkFrames ? frames : kChunkFrames;
        LoudnessAdd(&live->meter, p, n);
        live->frames += n;
        p += size_t(n) * 4;
        frames -= n;
    }
    if (flush || live->frames - live->publishedAt >= kLiveLoudnessPublishFrames)
        Publish(live, flush || GatingDue(live));
}

int LiveLoudnessRead(const LiveLoudness* live, LoudnessReading* r) {
    if (!live) return 0;
    double values[6];
    uint64_t frames;
    uint32_t before, after;
    do {
        before = live->sequence.load();
        for (int i = 0; i < 6; ++i)
            values[i] = live->published[i].load();
        frames = live->publishedFrames.load();
        after = live->sequence.load();
    } while ((before & 1) != 0 || before != after);
    r->momentary = values[0];
    r->shortTerm = values[1];
    r->integrated = values[2];
    r->range = values[3];
    r->truePeakDb[0] = values[4];
    r->truePeakDb[1] = values[5];
    r->frames = frames;
    return 1;
}
