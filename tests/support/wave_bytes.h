// WAVE files built byte by byte: chunks, format chunks of every kind
// (integer PCM, float, extensible with its channel mask and sub-format),
// RIFF, RF64 and BW64 forms with their ds64 chunk, and the odd layouts the
// readers must refuse or step over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tests/support/test_files.h"

namespace testsupport {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts);
void PutU64(Bytes& out, uint64_t v);
// b cut (or zero-extended) to size bytes.
Bytes Cut(Bytes b, size_t size);

// A chunk: its id, the size it declares, the body and, unless pad is false,
// the pad byte an odd body takes.
Bytes Chunk(const char id[4], uint32_t declared, const Bytes& body, bool pad = true);
Bytes Chunk(const char id[4], const Bytes& body, bool pad = true);

struct FmtFields {
    uint16_t tag = 1, channels = 2;
    uint32_t rate = 44100;
    uint16_t align = 4, bits = 16;
    // Extensible only:
    uint16_t valid = 0;
    uint32_t mask = 0;
    uint16_t subTag = 1;
    bool foreignGuid = false; // the sub-format GUID's last byte changed
    size_t length = 0;        // bytes of the chunk; 0 = 16, or 40 for extensible
};

// WAVE_FORMAT_EXTENSIBLE with the sub-format subTag.
FmtFields Extensible(uint16_t subTag, uint16_t channels, uint16_t bits, uint16_t valid,
                     uint32_t mask = 0);
// The format chunk's body, and the chunk.
Bytes FmtBody(const FmtFields& f);
Bytes FmtChunk(const FmtFields& f);

// A form ("RIFF", "RF64", "BW64") of WAVE holding body; declared < 0 states
// its true size.
Bytes Form(const char id[4], const Bytes& body, int64_t declared = -1);
Bytes Riff(const Bytes& body, int64_t declared = -1);
Bytes Ds64(uint64_t riff, uint64_t data, uint64_t samples, const Bytes& table = {},
           uint32_t entries = 0);

// Byte j of frame i; never 0x00 or 0x80, so a frame cannot pass for silence.
uint8_t FrameByte(int64_t i, int j, int align);
Bytes Frames(int64_t count, int align);

// Samples as the format stores them: 16 or 24-bit integers from full scale
// 1.0 (rounded), or 32-bit floats.
Bytes Pcm16(const std::vector<int16_t>& samples);
Bytes Pcm24(const std::vector<float>& samples);
Bytes Float32(const std::vector<float>& samples);

// A whole file: the format chunk, then the data chunk.
Bytes WaveBytes(const FmtFields& f, const Bytes& samples);
// 16-bit integer PCM (the canonical 44-byte header) and the interleaved samples.
Bytes WaveBytes(uint16_t channels, const std::vector<int16_t>& pcm, uint32_t rate = 44100);

} // namespace testsupport
