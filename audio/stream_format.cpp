#include "audio/stream_format.h"

#include <cmath>

const LatencyChoice kLatencyChoices[kLatencyChoiceCount] = {
    {50, 0.2f, "200 ms"}, {51, 0.1f, "100 ms"}, {52, 0.05f, "50 ms"},
    {53, 0.03f, "30 ms"}, {54, 0.02f, "20 ms"},
};

uint32_t StreamBytesPerSample(uint32_t sampleType) {
    switch (sampleType) {
    case kSampleInt8: return 1;
    case kSampleInt16: return 2;
    case kSampleInt24: return 3;
    case kSampleFloat32: return 4;
    case kSampleFloat64: return 8;
    default: return 0;
    }
}

uint16_t StreamFormatTag(uint32_t sampleType) {
    switch (sampleType) {
    case kSampleInt8:
    case kSampleInt16:
    case kSampleInt24: return kFormatTagPcm;
    case kSampleFloat32:
    case kSampleFloat64: return kFormatTagFloat;
    default: return 0;
    }
}

uint32_t StreamBytesPerFrame(const StreamFormat* format) {
    return format->channels * StreamBytesPerSample(format->sampleType);
}

uint32_t StreamFramesForLatency(uint32_t sampleRate, float latency, uint32_t granularity) {
    if (granularity == 0) granularity = 1;
    // Stored first so that the x87 build rounds the product to a float too.
    volatile float product = static_cast<float>(sampleRate) * latency;
    float p = product;
    uint32_t frames = 0;
    if (std::isfinite(p) && p > 0.0f) {
        float nearest = std::ceil(p - 0.5f); // an exact half goes down
        frames = nearest >= static_cast<float>(kMaxFramesPerBuffer)
                     ? kMaxFramesPerBuffer
                     : static_cast<uint32_t>(nearest);
    }
    uint32_t units = frames / granularity;
    if (units < 1) units = 1;
    return units * granularity;
}

const LatencyChoice* LatencyChoiceForMenuId(int menuId) {
    for (const LatencyChoice& choice : kLatencyChoices)
        if (choice.menuId == menuId) return &choice;
    return nullptr;
}

int LatencyAccepted(float value) {
    return value >= kMinLatency && value <= kMaxLatency ? 1 : 0;
}
