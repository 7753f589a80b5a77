#include "meter/delay_line.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

static constexpr float kMaxSampleRate = 1000000.0f;

int DelayLineAllocate(DelayLine* line, float sampleRate) {
    DelayLineFree(line);
    if (!(sampleRate >= 1.0f && sampleRate <= kMaxSampleRate)) return 0;
    // 2 minus the truncation of sampleRate x -2: 88202 floats at 44100 Hz.
    uint32_t count = static_cast<uint32_t>(2 - static_cast<int32_t>(sampleRate * -2.0));
    float* base = static_cast<float*>(std::calloc(count, sizeof(float)));
    if (!base) return 0;
    line->base = base;
    line->bytes = count * static_cast<uint32_t>(sizeof(float));
    line->begin = base;
    line->end = base + count;
    line->write = base;
    line->read = base;
    return 1;
}

void DelayLineFree(DelayLine* line) {
    std::free(line->base);
    *line = DelayLine{};
}

void DelayLineZero(DelayLine* line) {
    if (line->base) std::memset(line->base, 0, line->bytes);
}

void DelayLineSetDelay(DelayLine* line, uint32_t delaySamples) {
    if (!line->base) return;
    uint32_t count = line->bytes / sizeof(float);
    if (static_cast<uint64_t>(delaySamples) * 4 >= line->bytes) delaySamples = count;
    uint32_t writeIndex = static_cast<uint32_t>(line->write - line->begin);
    uint32_t readIndex = (writeIndex + count - delaySamples) % count;
    line->read = line->begin + readIndex;
}

uint32_t DelaySamples(float sampleRate, float delaySeconds) {
    float samples = sampleRate * delaySeconds;
    if (!(samples >= 0.0f)) return 0;
    if (samples >= 4.0e9f) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(samples);
}
