#include "audio/sound_file.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "audio/sound_others.h"
#include "sys/byte_order.h"
#include "sys/file_offset.h"
#include "sys/file_path.h"

namespace {

constexpr uint32_t kChunkHeaderSize = 8;
constexpr uint32_t kSizeInDs64 = 0xFFFFFFFFu; // RF64's "look in ds64" size
constexpr uint32_t kDs64Fixed = 28;           // riff, data and sample sizes, table length
constexpr int kDs64TableMax = 16;             // table entries kept; more are ignored
constexpr uint32_t kFmtBasic = 16;
constexpr uint32_t kFmtExtensible = 40;
constexpr uint16_t kTagPcm = 0x0001;
constexpr uint16_t kTagFloat = 0x0003;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The extensible sub-format GUIDs of PCM and float share these last 14 bytes.
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Chunk {
    uint64_t contents; // file offset of the first content byte
    uint64_t size;     // as stored, or from "ds64"
};

// What "ds64" says: the sizes that do not fit the 32-bit fields.
struct Ds64 {
    uint64_t riffSize, dataSize, sampleCount;
    int tableCount;
    char tableIds[kDs64TableMax][4];
    uint64_t tableSizes[kDs64TableMax];
};

// The "fmt " chunk's fields, before they are checked.
struct RawFormat {
    uint32_t chunkSize;
    uint16_t tag, channels, blockAlign, bits, validBits;
    uint32_t rate, mask;
    uint8_t guid[16];
    bool extensible;
};

int Refuse(SoundFile* file, int result, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
int Refuse(SoundFile* file, int result, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(file->why, sizeof file->why, format, args);
    va_end(args);
    return result;
}

const char* ChannelWord(unsigned channels) {
    return channels == 1 ? "channel" : "channels";
}

// "unsupported format (<tag>, N bits, R Hz, C channels)<: reason>".
int RefuseFormat(SoundFile* file, const char* what, unsigned bits, uint32_t rate, unsigned channels,
                 const char* reason) {
    return Refuse(file, kSoundUnsupported, "unsupported format (%s, %u bits, %lu Hz, %u %s)%s%s",
                  what, bits, (unsigned long)rate, channels, ChannelWord(channels),
                  reason[0] ? ": " : "", reason);
}

// The tag as the refusal names it, with the sub-format for extensible.
void DescribeTag(const RawFormat& f, char* out, size_t size) {
    if (!f.extensible) {
        snprintf(out, size, "tag 0x%04X", unsigned(f.tag));
    } else if (memcmp(f.guid + 2, kGuidTail, sizeof kGuidTail) == 0) {
        snprintf(out, size, "tag 0xFFFE, sub-format 0x%04X", unsigned(LoadU16(f.guid)));
    } else {
        const uint8_t* g = f.guid;
        snprintf(out, size,
                 "tag 0xFFFE, sub-format {%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                 (unsigned long)LoadU32(g), unsigned(LoadU16(g + 4)), unsigned(LoadU16(g + 6)),
                 g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    }
}

bool SameId(const uint8_t* header, const char id[4]) {
    return memcmp(header, id, 4) == 0;
}

// The 64-bit size a chunk header names: its own, or for RF64's placeholder
// the one "ds64" gives ("data" in its own field, others in the table).
uint64_t ChunkSize(const uint8_t header[8], const Ds64* ds64) {
    const uint32_t stored = LoadU32(header + 4);
    if (!ds64 || stored != kSizeInDs64) return stored;
    if (SameId(header, "data")) return ds64->dataSize;
    for (int i = 0; i < ds64->tableCount; ++i)
        if (memcmp(ds64->tableIds[i], header, 4) == 0) return ds64->tableSizes[i];
    return stored;
}

// The offset after a chunk and its pad byte; false when it would pass 2^64.
bool ChunkEnd(const Chunk& c, uint64_t* end) {
    const uint64_t padded = c.size + (c.size & 1u);
    if (padded < c.size || padded > UINT64_MAX - c.contents) return false;
    *end = c.contents + padded;
    return true;
}

bool ReadDs64(std::FILE* f, uint64_t at, uint64_t end, Ds64* ds64) {
    uint8_t header[kChunkHeaderSize];
    if (at + kChunkHeaderSize > end) return false;
    if (FileReadAt(f, at, header, sizeof header) != sizeof header) return false;
    const uint32_t size = LoadU32(header + 4);
    if (!SameId(header, "ds64") || size < kDs64Fixed) return false;
    uint8_t fixed[kDs64Fixed];
    if (FileReadAt(f, at + kChunkHeaderSize, fixed, sizeof fixed) != sizeof fixed) return false;
    const auto load64 = [](const uint8_t* p) {
        return uint64_t(LoadU32(p)) | uint64_t(LoadU32(p + 4)) << 32;
    };
    ds64->riffSize = load64(fixed);
    ds64->dataSize = load64(fixed + 8);
    ds64->sampleCount = load64(fixed + 16);
    // The table gives the sizes of other chunks over 4 GiB; it may be cut
    // short by the chunk's own size.
    const uint32_t listed = LoadU32(fixed + 24);
    const uint32_t room = (size - kDs64Fixed) / 12;
    ds64->tableCount = 0;
    uint64_t entry = at + kChunkHeaderSize + kDs64Fixed;
    for (uint32_t i = 0; i < listed && i < room && i < kDs64TableMax; ++i, entry += 12) {
        uint8_t raw[12];
        if (FileReadAt(f, entry, raw, sizeof raw) != sizeof raw) break;
        memcpy(ds64->tableIds[i], raw, 4);
        ds64->tableSizes[i] = load64(raw + 4);
        ds64->tableCount = int(i) + 1;
    }
    return true;
}

// Finds the first top-level RIFF/RF64/BW64 chunk of form "WAVE" and, for
// RF64 and BW64, reads its "ds64". `riff` gets its contents (form type
// included) and size.
int FindWave(SoundFile* file, uint64_t fileSize, Chunk* riff, Ds64* ds64, bool* hasDs64) {
    std::FILE* f = file->handle;
    uint64_t at = 0;
    while (at + 12 <= fileSize) {
        uint8_t header[12];
        if (FileReadAt(f, at, header, sizeof header) != sizeof header) break;
        const bool rf64 = SameId(header, "RF64"), bw64 = SameId(header, "BW64");
        Chunk c = {at + kChunkHeaderSize, LoadU32(header + 4)};
        if ((SameId(header, "RIFF") || rf64 || bw64) && SameId(header + 8, "WAVE")) {
            file->container = rf64 ? kSoundRf64 : bw64 ? kSoundBw64 : kSoundRiff;
            *hasDs64 = rf64 || bw64;
            if (*hasDs64) {
                if (!ReadDs64(f, c.contents + 4, fileSize, ds64))
                    return Refuse(file, kSoundBadFormat, "%s file without a usable ds64 chunk",
                                  rf64 ? "RF64" : "BW64");
                if (c.size == kSizeInDs64) c.size = ds64->riffSize;
            }
            *riff = c;
            return kSoundOpened;
        }
        // RF64's own size is a placeholder: nothing can follow it.
        if (rf64 || bw64 || !ChunkEnd(c, &at)) break;
    }
    return Refuse(file, kSoundNotWave, "not a WAVE file");
}

// Walks the chunks inside the RIFF chunk (only those whose header lies
// wholly inside it) for the first "fmt " and "data", in either order.
// Every step moves forward by at least a header, so any sizes terminate.
void FindChunks(std::FILE* f, const Chunk& riff, const Ds64* ds64, Chunk* fmt, bool* hasFmt,
                Chunk* data, bool* hasData) {
    const uint64_t end =
        riff.size > UINT64_MAX - riff.contents ? UINT64_MAX : riff.contents + riff.size;
    uint64_t at = riff.contents + 4;
    while (at <= end - kChunkHeaderSize && !(*hasFmt && *hasData)) {
        uint8_t header[kChunkHeaderSize];
        if (FileReadAt(f, at, header, sizeof header) != sizeof header) return;
        const Chunk c = {at + kChunkHeaderSize, ChunkSize(header, ds64)};
        if (!*hasFmt && SameId(header, "fmt ")) {
            *fmt = c;
            *hasFmt = true;
        } else if (!*hasData && SameId(header, "data")) {
            *data = c;
            *hasData = true;
        }
        if (!ChunkEnd(c, &at)) return;
    }
}

int ReadRawFormat(SoundFile* file, const Chunk& fmt, RawFormat* r) {
    uint8_t raw[kFmtExtensible] = {};
    const uint32_t want = fmt.size < kFmtExtensible ? uint32_t(fmt.size) : kFmtExtensible;
    if (fmt.size < kFmtBasic || FileReadAt(file->handle, fmt.contents, raw, want) != want)
        return Refuse(file, kSoundBadFormat, "no usable format chunk (%lu bytes)",
                      (unsigned long)(fmt.size < 0xFFFFFFFFu ? fmt.size : 0xFFFFFFFFu));
    r->chunkSize = want;
    r->tag = LoadU16(raw);
    r->channels = LoadU16(raw + 2);
    r->rate = LoadU32(raw + 4);
    r->blockAlign = LoadU16(raw + 12);
    r->bits = LoadU16(raw + 14);
    r->extensible = r->tag == kTagExtensible && want == kFmtExtensible;
    r->validBits = r->extensible ? LoadU16(raw + 18) : r->bits;
    r->mask = r->extensible ? LoadU32(raw + 20) : 0;
    memcpy(r->guid, raw + 24, sizeof r->guid);
    return kSoundOpened;
}

// Checks the stored format and fills file->format, or refuses naming it.
int AcceptFormat(SoundFile* file, const RawFormat& r) {
    char tag[80];
    DescribeTag(r, tag, sizeof tag);
    const auto refuse = [&](const char* reason) {
        return RefuseFormat(file, tag, r.bits, r.rate, r.channels, reason);
    };
    if (r.tag == kTagExtensible && !r.extensible)
        return refuse("extensible format chunk shorter than 40 bytes");
    uint16_t sub = r.tag;
    if (r.extensible)
        sub = memcmp(r.guid + 2, kGuidTail, sizeof kGuidTail) == 0 ? LoadU16(r.guid) : 0;
    if (sub != kTagPcm && sub != kTagFloat) return refuse("not integer PCM or IEEE float");
    if (r.channels == 0) return refuse("no channels");
    if (r.channels > kSoundMaxChannels) return refuse("more than 8 channels");
    if (r.rate < kSoundMinRate || r.rate > kSoundMaxRate)
        return refuse("rates run from 8000 to 384000 Hz");
    if (r.bits == 0) return refuse("no sample width");
    char reason[96];
    if (r.blockAlign % r.channels != 0) {
        snprintf(reason, sizeof reason, "block align %u is not whole bytes per channel",
                 unsigned(r.blockAlign));
        return refuse(reason);
    }
    const unsigned bytes = (r.bits + 7u) / 8u;
    if (r.blockAlign != r.channels * bytes) {
        snprintf(reason, sizeof reason, "block align %u is not %u x %u bytes",
                 unsigned(r.blockAlign), unsigned(r.channels), bytes);
        return refuse(reason);
    }
    const uint16_t valid = r.validBits ? r.validBits : r.bits;
    if (valid > bytes * 8u) {
        snprintf(reason, sizeof reason, "%u valid bits in %u-bit samples", unsigned(valid),
                 bytes * 8u);
        return refuse(reason);
    }
    static const uint8_t kIntegerEncodings[] = {kSampleU8, kSampleS16, kSampleS24, kSampleS32};
    uint8_t encoding;
    if (sub == kTagPcm && bytes <= 4) {
        encoding = kIntegerEncodings[bytes - 1];
    } else if (sub == kTagFloat && (bytes == 4 || bytes == 8)) {
        if (valid != bytes * 8u) return refuse("float samples with fewer valid bits");
        encoding = bytes == 4 ? kSampleF32 : kSampleF64;
    } else {
        return refuse(sub == kTagPcm ? "integer samples wider than 32 bits"
                                     : "float samples of neither 32 nor 64 bits");
    }

    SoundFormat& f = file->format;
    f.formatTag = r.tag;
    f.subFormat = sub;
    f.channels = r.channels;
    f.sampleRate = r.rate;
    f.blockAlign = r.blockAlign;
    f.bitsPerSample = r.bits;
    f.validBits = valid;
    f.encoding = encoding;
    return kSoundOpened;
}

// Channel i takes the i-th lowest set bit of a stored mask; channels beyond
// its bits name no speaker. A mask of 0 stores no assignment: the usual one.
void AssignSpeakers(SoundFile* file, uint32_t storedMask) {
    uint32_t speakers[kSoundMaxChannels] = {};
    uint32_t mask = storedMask ? storedMask : SoundUsualMask(file->format.channels);
    for (int c = 0; c < file->format.channels && mask; ++c) {
        speakers[c] = mask & (~mask + 1u);
        mask &= mask - 1u;
    }
    SoundFileSetSpeakers(file, speakers);
}

void DescribeKind(SoundFile* file) {
    static const char* const kContainers[] = {"WAVE", "RF64", "BW64", ""};
    const SoundFormat& f = file->format;
    const int n = snprintf(file->kind, sizeof file->kind, "%s %u-bit %s",
                           kContainers[file->container], unsigned(f.blockAlign / f.channels * 8u),
                           f.subFormat == kTagFloat ? "float" : "PCM");
    if (f.validBits != f.blockAlign / f.channels * 8u && n > 0 && size_t(n) < sizeof file->kind)
        snprintf(file->kind + n, sizeof file->kind - size_t(n), " (%u valid)",
                 unsigned(f.validBits));
}

int OpenWave(SoundFile* file) {
    std::FILE* f = file->handle;
    const int64_t fileSize = FileSize64(f);
    if (fileSize < 0) return Refuse(file, kSoundNoFile, "cannot open the file");
    Chunk riff = {}, fmt = {}, data = {};
    Ds64 ds64 = {};
    bool hasDs64 = false, hasFmt = false, hasData = false;
    int result = FindWave(file, uint64_t(fileSize), &riff, &ds64, &hasDs64);
    if (result != kSoundOpened) return result;
    FindChunks(f, riff, hasDs64 ? &ds64 : nullptr, &fmt, &hasFmt, &data, &hasData);
    if (!hasFmt) return Refuse(file, kSoundBadFormat, "no format chunk");
    RawFormat raw = {};
    if ((result = ReadRawFormat(file, fmt, &raw)) != kSoundOpened) return result;
    if ((result = AcceptFormat(file, raw)) != kSoundOpened) return result;
    if (!hasData) return Refuse(file, kSoundNoData, "no data chunk");

    const uint32_t align = file->format.blockAlign;
    file->riffSize = riff.size;
    file->ds64Samples = hasDs64 ? ds64.sampleCount : 0;
    file->dataOffset = data.contents;
    file->dataSize = data.size;
    file->framesClaimed = data.size / align;
    const uint64_t held =
        uint64_t(fileSize) > data.contents ? uint64_t(fileSize) - data.contents : 0;
    file->frames = (held < data.size ? held : data.size) / align;
    file->truncated = file->frames < file->framesClaimed;
    AssignSpeakers(file, raw.mask);
    DescribeKind(file);

    file->raw = static_cast<uint8_t*>(malloc(kSoundRawBytes));
    if (!file->raw) return Refuse(file, kSoundNoMemory, "out of memory");
    file->rawFrames = kSoundRawBytes / align;
    return kSoundOpened;
}

bool IsWaveFamily(const uint8_t magic[4]) {
    return SameId(magic, "RIFF") || SameId(magic, "RF64") || SameId(magic, "BW64");
}

} // namespace

int SoundFileOpen(SoundFile* file, const char* path, const SoundOtherOps* others) {
    if (!file) return kSoundNoObject;
    memset(file, 0, sizeof *file);
    if (!path) return Refuse(file, kSoundNoFile, "cannot open the file");
    file->handle = FileOpen(path, "rb");
    if (!file->handle) return Refuse(file, kSoundNoFile, "cannot open the file");
    // Every read is an absolute seek and one large read; a stdio buffer would
    // only be refilled and thrown away on each seek.
    setvbuf(file->handle, nullptr, _IONBF, 0);
    uint8_t magic[4] = {};
    const bool wave =
        FileReadAt(file->handle, 0, magic, sizeof magic) == sizeof magic && IsWaveFamily(magic);
    int result;
    if (wave) {
        result = OpenWave(file);
    } else {
        fclose(file->handle);
        file->handle = nullptr;
        result = others ? others->open(file, path) : Refuse(file, kSoundNotWave, "not a WAVE file");
        if (result == kSoundOpened) file->other = others;
    }
    if (result != kSoundOpened) {
        char why[kSoundWhySize];
        memcpy(why, file->why, sizeof why);
        SoundFileClose(file);
        memcpy(file->why, why, sizeof why);
    }
    return result;
}

uint32_t SoundFileRead(SoundFile* file, uint64_t at, float* out, uint32_t count) {
    if (!file || !out) return 0;
    if (file->other) return file->other->read(file, at, out, count);
    if (!file->handle || !file->raw || at >= file->frames) return 0;
    const uint32_t align = file->format.blockAlign;
    const uint32_t channels = file->format.channels;
    const SampleDecodeProc decode = kSampleDecoders[file->format.encoding];
    const uint64_t left = file->frames - at;
    const uint32_t wanted = left < count ? uint32_t(left) : count;
    uint32_t done = 0;
    while (done < wanted) {
        const uint32_t piece = wanted - done < file->rawFrames ? wanted - done : file->rawFrames;
        const uint64_t offset = file->dataOffset + (at + done) * align;
        const size_t got = FileReadAt(file->handle, offset, file->raw, size_t(piece) * align);
        const uint32_t whole = uint32_t(got / align); // a frame cut short is not delivered
        file->invalidSamples +=
            decode(file->raw, size_t(whole) * channels, out + size_t(done) * channels);
        done += whole;
        if (whole < piece) break; // the file shrank since it was opened, or a read failed
    }
    return done;
}

void SoundFileClose(SoundFile* file) {
    if (!file) return;
    if (file->other) file->other->close(file);
    file->other = nullptr;
    file->otherState = nullptr;
    if (file->handle) fclose(file->handle);
    file->handle = nullptr;
    free(file->raw);
    file->raw = nullptr;
}

int SoundFileChannelOf(const SoundFile* file, uint32_t speaker) {
    if (!file || speaker == 0) return -1;
    for (int c = 0; c < file->format.channels && c < kSoundMaxChannels; ++c)
        if (file->speakers[c] == speaker) return c;
    return -1;
}

SoundChannelRole SoundFileChannelRole(const SoundFile* file, int channel) {
    if (!file || channel < 0 || channel >= file->format.channels || channel >= kSoundMaxChannels)
        return kRoleUnnamed;
    const uint32_t s = file->speakers[channel];
    const uint32_t front = kSpeakerFrontLeft | kSpeakerFrontRight | kSpeakerFrontCenter |
                           kSpeakerFrontLeftOfCenter | kSpeakerFrontRightOfCenter;
    const uint32_t surround = kSpeakerBackLeft | kSpeakerBackRight | kSpeakerBackCenter |
                              kSpeakerSideLeft | kSpeakerSideRight;
    if (s & front) return kRoleFront;
    if (s == kSpeakerLowFrequency) return kRoleLfe;
    if (s & surround) return kRoleSurround;
    if (s >= kSpeakerTopCenter && s <= kSpeakerTopBackRight) return kRoleHeight;
    return kRoleUnnamed;
}

uint32_t SoundUsualMask(int channels) {
    if (channels == 1) return kSpeakerFrontCenter;
    if (channels < 1 || channels > kSoundMaxChannels) return 0;
    return (1u << channels) - 1u;
}

void SoundFileSetSpeakers(SoundFile* file, const uint32_t* speakers) {
    file->channelMask = 0;
    const int channels =
        file->format.channels < kSoundMaxChannels ? file->format.channels : kSoundMaxChannels;
    if (!speakers) {
        AssignSpeakers(file, 0);
        return;
    }
    for (int c = 0; c < kSoundMaxChannels; ++c) {
        file->speakers[c] = c < channels ? speakers[c] : 0;
        file->channelMask |= file->speakers[c];
    }
}

int SoundFileCheckShape(SoundFile* file, const char* what) {
    const SoundFormat& f = file->format;
    const char* reason = f.channels == 0                  ? "no channels"
                         : f.channels > kSoundMaxChannels ? "more than 8 channels"
                         : f.sampleRate < kSoundMinRate || f.sampleRate > kSoundMaxRate
                             ? "rates run from 8000 to 384000 Hz"
                             : nullptr;
    if (!reason) return kSoundOpened;
    return RefuseFormat(file, what, f.bitsPerSample, f.sampleRate, f.channels, reason);
}
