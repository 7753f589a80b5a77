// The stream format triple and the buffer sizing arithmetic shared by the
// wave device layer and the streaming thread, plus the latency choices.
#pragma once

#include <cstdint>

// Sample type codes of a StreamFormat.
enum StreamSampleType : uint32_t {
    kSampleInt8 = 1,
    kSampleInt16 = 2,
    kSampleInt24 = 4,
    kSampleFloat32 = 8,
    kSampleFloat64 = 16,
};

struct StreamFormat {
    uint32_t sampleRate; // Hz
    uint32_t channels;
    uint32_t sampleType; // a StreamSampleType code
};

// The program's stream: 44100 Hz, 2 channels, 16-bit.
constexpr StreamFormat kProgramStreamFormat = {44100, 2, kSampleInt16};

// Platform format tags.
constexpr uint16_t kFormatTagPcm = 1;
constexpr uint16_t kFormatTagFloat = 3;

// Largest buffer the sizing hands out, in frames (about 6 minutes at 44.1 kHz):
// keeps the slot's data block size (8 x bytes per buffer + 16) within 32 bits.
constexpr uint32_t kMaxFramesPerBuffer = 1u << 24;

// Returns the bytes of one sample for a type code, 0 for an unknown code.
uint32_t StreamBytesPerSample(uint32_t sampleType);

// Returns the platform format tag for a type code (PCM or IEEE float), 0 for
// an unknown code.
uint16_t StreamFormatTag(uint32_t sampleType);

// Returns channels x bytes per sample; 0 for an unknown type code.
uint32_t StreamBytesPerFrame(const StreamFormat* format);

// Frames per buffer for a latency: sampleRate x latency taken as a 32-bit
// float, rounded to the nearest integer (an exact half goes down), cut down
// to a multiple of granularity, at least one granularity. A latency that is
// not a positive finite number gives one granularity; a result above
// kMaxFramesPerBuffer is cut to it. granularity 0 counts as 1.
uint32_t StreamFramesForLatency(uint32_t sampleRate, float latency, uint32_t granularity);

// ---- Latency choices ----

struct LatencyChoice {
    int menuId;        // command id of the Latency menu item
    float seconds;     // the item's latency
    const char* label; // the item's text
};

constexpr int kLatencyChoiceCount = 5;
// "200 ms" (50) to "20 ms" (54), in menu order.
extern const LatencyChoice kLatencyChoices[kLatencyChoiceCount];

constexpr float kDefaultLatency = 0.1f;
constexpr float kMinLatency = 0.02f;
constexpr float kMaxLatency = 0.2f;

// Returns the choice with this menu id, or null.
const LatencyChoice* LatencyChoiceForMenuId(int menuId);

// Returns 1 when a stored latency may be used: kMinLatency <= value <=
// kMaxLatency as 32-bit floats (NaN is refused); else 0.
int LatencyAccepted(float value);
