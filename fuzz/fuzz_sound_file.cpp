// Feeds arbitrary bytes to the sound file reader's WAVE side as a file: open,
// then reads front to back, across the end and from far positions. A refusal
// must leave nothing open; an accepted file must describe itself
// consistently and deliver only finite samples, never past its frames.
//
// Started with an empty corpus folder, it first writes its seeds there: RF64
// and BW64 sizes, extensible masks, floats holding NaN and infinities, zero
// channels, block aligns the sample width does not divide.
#include "audio/sound_file.h"
#include "sys/byte_order.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

const std::string& ScratchPath() {
    static const std::string path = "/tmp/fuzz_sound_file." + std::to_string(getpid()) + ".wav";
    static const bool removedAtExit = atexit([] { unlink(ScratchPath().c_str()); }) == 0;
    (void)removedAtExit;
    return path;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

// The seeds' builder.
void Tag(Bytes& b, const char id[4]) {
    b.insert(b.end(), id, id + 4);
}
Bytes Chunk(const char id[4], const Bytes& body, uint32_t declared = 0xFFFFFFFEu) {
    Bytes b;
    Tag(b, id);
    AppendLe(b, declared == 0xFFFFFFFEu ? uint32_t(body.size()) : declared, 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) b.push_back(0);
    return b;
}
Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits,
          uint32_t mask = 0, uint16_t sub = 1, uint16_t valid = 0) {
    Bytes b;
    AppendLe(b, tag, 2);
    AppendLe(b, channels, 2);
    AppendLe(b, rate, 4);
    AppendLe(b, rate * align, 4);
    AppendLe(b, align, 2);
    AppendLe(b, bits, 2);
    if (tag == 0xFFFE) {
        AppendLe(b, 22, 2);
        AppendLe(b, valid, 2);
        AppendLe(b, mask, 4);
        AppendLe(b, sub, 2);
        const uint8_t tail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        b.insert(b.end(), tail, tail + 14);
    }
    return Chunk("fmt ", b);
}
Bytes Ds64(uint64_t riff, uint64_t data, uint64_t samples, bool table) {
    Bytes b;
    AppendLe(b, uint32_t(riff), 4);
    AppendLe(b, uint32_t(riff >> 32), 4);
    AppendLe(b, uint32_t(data), 4);
    AppendLe(b, uint32_t(data >> 32), 4);
    AppendLe(b, uint32_t(samples), 4);
    AppendLe(b, uint32_t(samples >> 32), 4);
    AppendLe(b, table ? 1 : 0, 4);
    if (table) {
        Tag(b, "junk");
        AppendLe(b, 6, 4);
        AppendLe(b, 0, 4);
    }
    return Chunk("ds64", b);
}
Bytes Wave(const char id[4], std::initializer_list<Bytes> chunks, uint32_t declared = 0) {
    Bytes body;
    Tag(body, "WAVE");
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    return Chunk(id, body, declared ? declared : uint32_t(body.size()));
}
Bytes Samples(size_t bytes) {
    Bytes b(bytes);
    for (size_t i = 0; i < bytes; ++i)
        b[i] = uint8_t(i * 37 + 11);
    return b;
}
Bytes Floats(std::initializer_list<float> values) {
    Bytes b;
    for (float v : values) {
        uint32_t u;
        memcpy(&u, &v, sizeof u);
        AppendLe(b, u, 4);
    }
    return b;
}

std::vector<Bytes> Seeds() {
    const float inf = INFINITY, nan = NAN;
    const Bytes junk = Chunk("junk", Bytes(6, 0xEE), 0xFFFFFFFF);
    return {
        Wave("RIFF", {Fmt(1, 2, 44100, 4, 16), Chunk("data", Samples(64))}),
        Wave("RIFF",
             {Fmt(1, 1, 8000, 1, 8), Chunk("LIST", Samples(3)), Chunk("data", Samples(33))}),
        Wave("RIFF", {Chunk("data", Samples(90)), Fmt(1, 3, 96000, 9, 24)}),
        Wave("RIFF",
             {Fmt(3, 2, 48000, 8, 32), Chunk("data", Floats({1.5f, nan, inf, -inf, -2, 0}))}),
        Wave("RIFF", {Fmt(3, 1, 192000, 8, 64), Chunk("data", Samples(80))}),
        Wave("RIFF", {Fmt(0xFFFE, 6, 48000, 18, 24, 0x60F, 1, 20), Chunk("data", Samples(72))}),
        Wave("RIFF",
             {Fmt(0xFFFE, 8, 96000, 32, 32, 0x80001800, 3, 32), Chunk("data", Samples(64))}),
        Wave("RIFF", {Fmt(0xFFFE, 4, 384000, 16, 32, 0x3, 1, 24), Chunk("data", Samples(64))}),
        Wave("RF64",
             {Ds64(5000000000ull, 40, 10, false), Fmt(1, 2, 44100, 4, 16),
              Chunk("data", Samples(40), 0xFFFFFFFF)},
             0xFFFFFFFF),
        Wave("BW64",
             {Ds64(200, 6ull << 30, 7, true), junk, Fmt(1, 2, 48000, 4, 16),
              Chunk("data", Samples(40), 0xFFFFFFFF)},
             0xFFFFFFFF),
        Wave("RIFF", {Fmt(1, 0, 44100, 4, 16), Chunk("data", Samples(16))}),
        Wave("RIFF", {Fmt(1, 2, 44100, 5, 16), Chunk("data", Samples(20))}),
        Wave("RIFF", {Fmt(1, 3, 44100, 8, 16), Chunk("data", Samples(24))}),
        Wave("RIFF", {Fmt(1, 2, 44100, 4, 16), Chunk("data", Samples(40), 4000)}),
    };
}

// Writes the seeds into the corpus folders named on the command line that are empty.
void PlantSeeds(int argc, char** argv) {
    const std::vector<Bytes> seeds = Seeds();
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') continue;
        DIR* dir = opendir(argv[i]);
        if (!dir) continue;
        bool empty = true;
        while (dirent* e = readdir(dir))
            empty = empty && e->d_name[0] == '.';
        closedir(dir);
        for (size_t k = 0; empty && k < seeds.size(); ++k)
            WriteFile(std::string(argv[i]) + "/seed-" + std::to_string(k), seeds[k].data(),
                      seeds[k].size());
    }
}

constexpr uint32_t kBlockFrames = 4096;
constexpr size_t kGuard = 16;
float buffer[kBlockFrames * kSoundMaxChannels + kGuard];

// A read into the buffer: the frames it reports, all finite, and nothing
// written past them.
uint32_t ReadChecked(SoundFile* file, uint64_t at, uint32_t count) {
    const float mark = -12345.0f;
    const size_t asked = size_t(count) * file->format.channels;
    for (size_t i = 0; i < asked + kGuard; ++i)
        buffer[i] = mark;
    const uint32_t got = SoundFileRead(file, at, buffer, count);
    const uint64_t left = at < file->frames ? file->frames - at : 0;
    if (got > count || got > left) abort();
    const size_t samples = size_t(got) * file->format.channels;
    for (size_t i = 0; i < samples; ++i)
        if (!std::isfinite(buffer[i])) abort();
    for (size_t i = samples; i < asked + kGuard; ++i)
        if (buffer[i] != mark) abort();
    return got;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    PlantSeeds(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteFile(ScratchPath(), data, size)) return 0;
    SoundFile file;
    const int result = SoundFileOpen(&file, ScratchPath().c_str(), nullptr);
    if (!memchr(file.why, 0, sizeof file.why) || !memchr(file.kind, 0, sizeof file.kind)) abort();
    if (result != kSoundOpened) {
        if (file.handle || file.raw || !file.why[0]) abort(); // a refusal leaves nothing open
        return 0;
    }
    const SoundFormat& f = file.format;
    uint32_t mask = 0;
    for (uint32_t s : file.speakers)
        mask |= s;
    if (f.channels < 1 || f.channels > kSoundMaxChannels || f.sampleRate < kSoundMinRate ||
        f.sampleRate > kSoundMaxRate || f.blockAlign % f.channels != 0 ||
        file.frames > file.framesClaimed || file.truncated != (file.frames < file.framesClaimed) ||
        file.dataOffset + file.frames * f.blockAlign > size || mask != file.channelMask)
        abort();
    // Front to back in blocks, then across the end and from far away.
    uint64_t total = 0;
    for (uint64_t at = 0; at < file.frames && at < 64 * kBlockFrames; at += kBlockFrames)
        total += ReadChecked(&file, at, kBlockFrames);
    if (file.frames <= 64 * kBlockFrames && total != file.frames) abort();
    const uint32_t odd = size >= 2 ? uint32_t(data[size - 1]) | uint32_t(data[size - 2]) << 8 : 7;
    ReadChecked(&file, file.frames > 3 ? file.frames - 3 : 0, kBlockFrames);
    ReadChecked(&file, odd, odd % kBlockFrames);
    ReadChecked(&file, file.framesClaimed, kBlockFrames);
    ReadChecked(&file, UINT64_MAX, kBlockFrames);
    SoundFileClose(&file);
    if (file.handle || file.raw) abort();
    return 0;
}
