// WAVE files built byte by byte: chunks, format chunks of every kind
// (integer PCM, float, extensible with its channel mask and sub-format),
// RIFF, RF64 and BW64 forms with their ds64 chunk, and the odd layouts the
// readers must refuse or step over.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "tests/support/test_files.h"

namespace testsupport {

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline void PutU64(Bytes& out, uint64_t v) {
    PutU32(out, uint32_t(v));
    PutU32(out, uint32_t(v >> 32));
}
// b cut (or zero-extended) to size bytes.
inline Bytes Cut(Bytes b, size_t size) {
    b.resize(size);
    return b;
}

// A chunk: its id, the size it declares, the body and, unless pad is false,
// the pad byte an odd body takes.
inline Bytes Chunk(const char id[4], uint32_t declared, const Bytes& body, bool pad = true) {
    Bytes out;
    PutTag(out, id);
    PutU32(out, declared);
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2) out.push_back(0);
    return out;
}
inline Bytes Chunk(const char id[4], const Bytes& body, bool pad = true) {
    return Chunk(id, uint32_t(body.size()), body, pad);
}

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
inline FmtFields Extensible(uint16_t subTag, uint16_t channels, uint16_t bits, uint16_t valid,
                            uint32_t mask = 0) {
    FmtFields f;
    f.tag = 0xFFFE;
    f.subTag = subTag;
    f.channels = channels;
    f.bits = bits;
    f.align = uint16_t(channels * bits / 8);
    f.valid = valid;
    f.mask = mask;
    return f;
}
// The format chunk's body, and the chunk.
inline Bytes FmtBody(const FmtFields& f) {
    Bytes b;
    PutU16(b, f.tag);
    PutU16(b, f.channels);
    PutU32(b, f.rate);
    PutU32(b, f.rate * f.align);
    PutU16(b, f.align);
    PutU16(b, f.bits);
    if (f.tag == 0xFFFE) {
        PutU16(b, 22);
        PutU16(b, f.valid);
        PutU32(b, f.mask);
        PutU16(b, f.subTag);
        const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail.begin(), tail.end());
        if (f.foreignGuid) b[b.size() - 1] ^= 0xFF;
    }
    if (f.length) b.resize(f.length, 0);
    return b;
}
inline Bytes FmtChunk(const FmtFields& f) {
    return Chunk("fmt ", FmtBody(f));
}

// A form ("RIFF", "RF64", "BW64") of WAVE holding body; declared < 0 states
// its true size.
inline Bytes Form(const char id[4], const Bytes& body, int64_t declared = -1) {
    Bytes contents;
    PutTag(contents, "WAVE");
    contents.insert(contents.end(), body.begin(), body.end());
    return Chunk(id, declared < 0 ? uint32_t(contents.size()) : uint32_t(declared), contents);
}
inline Bytes Riff(const Bytes& body, int64_t declared = -1) {
    return Form("RIFF", body, declared);
}
inline Bytes Ds64(uint64_t riff, uint64_t data, uint64_t samples, const Bytes& table = {},
                  uint32_t entries = 0) {
    Bytes b;
    PutU64(b, riff);
    PutU64(b, data);
    PutU64(b, samples);
    PutU32(b, entries);
    b.insert(b.end(), table.begin(), table.end());
    return Chunk("ds64", b);
}

// Byte j of frame i; never 0x00 or 0x80, so a frame cannot pass for silence.
inline uint8_t FrameByte(int64_t i, int j, int align) {
    return uint8_t(1 + (i * align + j) % 120);
}
inline Bytes Frames(int64_t count, int align) {
    Bytes out;
    for (int64_t i = 0; i < count; ++i)
        for (int j = 0; j < align; ++j)
            out.push_back(FrameByte(i, j, align));
    return out;
}

// Samples as the format stores them: 16 or 24-bit integers from full scale
// 1.0 (rounded), or 32-bit floats.
inline Bytes Pcm16(const std::vector<int16_t>& samples) {
    Bytes out;
    for (int16_t s : samples)
        PutU16(out, uint16_t(s));
    return out;
}
inline Bytes Pcm24(const std::vector<float>& samples) {
    Bytes out;
    for (float v : samples)
        AppendLe(out, uint32_t(int32_t(std::lround(v * 8388608.0))), 3);
    return out;
}
inline Bytes Float32(const std::vector<float>& samples) {
    Bytes out;
    for (float v : samples) {
        uint32_t word;
        std::memcpy(&word, &v, 4);
        PutU32(out, word);
    }
    return out;
}

// A whole file: the format chunk, then the data chunk.
inline Bytes WaveBytes(const FmtFields& f, const Bytes& samples) {
    return Riff(Cat({FmtChunk(f), Chunk("data", samples)}));
}
// 16-bit integer PCM (the canonical 44-byte header) and the interleaved samples.
inline Bytes WaveBytes(uint16_t channels, const std::vector<int16_t>& pcm, uint32_t rate = 44100) {
    return WaveBytes(FmtFields{1, channels, rate, uint16_t(2 * channels), 16}, Pcm16(pcm));
}

} // namespace testsupport
