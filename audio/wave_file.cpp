#include "audio/wave_file.h"

#include <cstring>
#include <memory>
#include <new>

#include "sys/byte_order.h"
#include "sys/file_offset.h"
#include "sys/file_path.h"

namespace {

constexpr uint32_t kAcceptedRate = 44100;
constexpr uint16_t kAcceptedBits = 16;
constexpr uint16_t kAcceptedChannels = 2;
constexpr uint32_t kFormatBytesRead = 16;
constexpr uint32_t kChunkHeaderSize = 8;

// A chunk found by the search: where its contents start and how long they say they are.
struct Chunk {
    uint64_t contents; // file offset of the first content byte
    uint32_t size;     // as stored
};

// The offset just past a chunk's contents and its pad byte.
uint64_t ChunkEnd(const Chunk& c) {
    return c.contents + c.size + (c.size & 1u);
}

// Reads chunk headers through a buffer: a search over sizes of zero steps a
// header at a time, and through gigabytes of silence one read per header
// would take hours.
struct HeaderReader {
    FILE* f;
    uint64_t start; // file offset of buffer[0]
    size_t length;  // bytes held
    uint8_t buffer[16384];
};

bool ReadHeader(HeaderReader* r, uint64_t at, uint8_t header[kChunkHeaderSize]) {
    if (at < r->start || at - r->start + kChunkHeaderSize > r->length) {
        r->start = at;
        r->length = FileReadAt(r->f, at, r->buffer, sizeof r->buffer);
        if (r->length < kChunkHeaderSize) return false;
    }
    memcpy(header, r->buffer + (at - r->start), kChunkHeaderSize);
    return true;
}

// Walks the chunks from `from` to `end` (exclusive; only chunks whose header
// lies wholly before `end` count) and finds the first with identifier `id`.
// Every step moves forward by at least a header, so any sizes terminate.
bool FindChunk(HeaderReader* r, uint64_t from, uint64_t end, const char id[4], Chunk* found) {
    uint64_t at = from;
    while (at + kChunkHeaderSize <= end) {
        uint8_t header[kChunkHeaderSize];
        if (!ReadHeader(r, at, header)) return false;
        Chunk c = {at + kChunkHeaderSize, LoadU32(header + 4)};
        if (memcmp(header, id, 4) == 0) {
            *found = c;
            return true;
        }
        at = ChunkEnd(c);
    }
    return false;
}

// Finds the first top-level RIFF chunk of form type "WAVE"; `riff` gets its
// whole contents (form type included).
bool FindWaveRiff(HeaderReader* r, uint64_t fileSize, Chunk* riff) {
    uint64_t at = 0;
    Chunk c;
    while (FindChunk(r, at, fileSize, "RIFF", &c)) {
        uint8_t form[4];
        if (FileReadAt(r->f, c.contents, form, sizeof form) != sizeof form) return false;
        if (memcmp(form, "WAVE", 4) == 0) {
            *riff = c;
            return true;
        }
        at = ChunkEnd(c);
    }
    return false;
}

// Reads the "fmt " chunk's first 16 bytes (fewer when it is shorter) into the
// format fields. Returns false on a short read or a format that cannot frame data.
bool ReadFormat(FILE* f, const Chunk& fmt, WaveFormat* format) {
    uint8_t raw[kFormatBytesRead] = {};
    const size_t want = fmt.size < kFormatBytesRead ? fmt.size : kFormatBytesRead;
    if (FileReadAt(f, fmt.contents, raw, want) != want) return false;
    // Fields the chunk is too short to hold stay zero.
    format->formatTag = LoadU16(raw);
    format->channels = LoadU16(raw + 2);
    format->sampleRate = LoadU32(raw + 4);
    format->avgBytesPerSec = LoadU32(raw + 8);
    format->blockAlign = LoadU16(raw + 12);
    format->extraSize = 0;
    if (format->channels == 0 || format->blockAlign == 0) return false;
    const uint32_t bits = uint32_t(format->blockAlign / format->channels) * 8u;
    // A wrapped value could pass for 16 bits with frames of thousands of bytes.
    if (bits > 0xFFFFu) return false;
    format->bitsPerSample = uint16_t(bits);
    return true;
}

int LocateChunks(WaveFile* file) {
    FILE* f = file->handle;
    const int64_t size = FileSize64(f);
    if (size < 0) return kWaveNoFile;
    std::unique_ptr<HeaderReader> reader(new (std::nothrow) HeaderReader{f, 0, 0, {}});
    if (!reader) return kWaveNoFile;
    HeaderReader* r = reader.get();
    Chunk riff, fmt, data;
    if (!FindWaveRiff(r, uint64_t(size), &riff)) return kWaveNoRiff;
    const uint64_t riffEnd = riff.contents + riff.size;
    if (!FindChunk(r, riff.contents + 4, riffEnd, "fmt ", &fmt)) return kWaveBadFormat;
    if (!ReadFormat(f, fmt, &file->format)) return kWaveBadFormat;
    if (!FindChunk(r, ChunkEnd(fmt), riffEnd, "data", &data)) return kWaveNoData;
    if (data.contents > UINT32_MAX) return kWaveNoData;
    file->dataOffset = uint32_t(data.contents);
    file->dataSize = data.size;
    file->dataLength = data.size / file->format.blockAlign;
    return kWaveOpened;
}

} // namespace

int WaveFileOpen(WaveFile* file, const char* path) {
    if (!file) return kWaveNoObject;
    memset(file, 0, sizeof *file);
    if (!path) return kWaveNoFile;
    const size_t length = strlen(path);
    if (length >= sizeof file->path) return kWaveNoFile;
    memcpy(file->path, path, length + 1);
    file->handle = FileOpen(path, "rb");
    if (!file->handle) return kWaveNoFile;
    // Every read is an absolute seek and one large read; a stdio buffer would
    // only be refilled and thrown away on each seek.
    setvbuf(file->handle, nullptr, _IONBF, 0);
    const int result = LocateChunks(file);
    if (result != kWaveOpened) {
        WaveFileClose(file);
        return result;
    }
    file->read = WaveFileRead;
    return kWaveOpened;
}

int WaveFileRead(WaveFile* file, void* buffer, uint32_t byteCount) {
    if (!file || !file->handle || !buffer || file->format.blockAlign == 0) return 0;
    const uint32_t align = file->format.blockAlign;
    const uint32_t frames = byteCount / align;
    if (frames == 0) return 0;
    const uint8_t silence = WaveFileSilenceByte(file);
    uint8_t* out = static_cast<uint8_t*>(buffer);
    int64_t start = file->position;
    uint32_t remaining = frames;

    if (start < 0) {
        const uint32_t lead = start < -int64_t(remaining) ? remaining : uint32_t(-start);
        memset(out, silence, size_t(lead) * align);
        out += size_t(lead) * align;
        remaining -= lead;
        start += lead;
    }
    if (remaining > 0 && start < int64_t(file->dataLength)) {
        const uint64_t left = uint64_t(file->dataLength) - uint64_t(start);
        const uint32_t count = left < remaining ? uint32_t(left) : remaining;
        const size_t bytes = size_t(count) * align;
        const uint64_t offset = file->dataOffset + uint64_t(start) * align;
        size_t got = FileReadAt(file->handle, offset, out, bytes);
        got -= got % align; // a frame cut short by the end of the file is not delivered
        memset(out + got, silence, bytes - got);
        out += bytes;
        remaining -= count;
    }
    memset(out, silence, size_t(remaining) * align);

    file->position =
        file->position > INT64_MAX - int64_t(frames) ? INT64_MAX : file->position + frames;
    return 0;
}

void WaveFileSetPosition(WaveFile* file, int64_t frame) {
    if (file) file->position = frame;
}

void WaveFileSeek(WaveFile* file, int64_t milliseconds) {
    if (!file) return;
    // ms = 1000 q + r with r of the same sign as q, so the truncated quotient
    // is q * rate + r * rate / 1000 and only q * rate can leave the range.
    const int64_t rate = file->format.sampleRate;
    const int64_t q = milliseconds / 1000;
    const int64_t fraction = milliseconds % 1000 * rate / 1000;
    int64_t whole, position;
    if (__builtin_mul_overflow(q, rate, &whole) ||
        __builtin_add_overflow(whole, fraction, &position)) {
        position = milliseconds < 0 ? INT64_MIN : INT64_MAX;
    }
    file->position = position;
}

void WaveFileClose(WaveFile* file) {
    if (!file || !file->handle) return;
    fclose(file->handle);
    file->handle = nullptr;
}

int WaveFileFormatAccepted(const WaveFile* file) {
    if (!file || !file->handle) return 0;
    const WaveFormat& f = file->format;
    // The bits are derived from the block align by integer division, so a
    // block align of 5 with 2 channels would pass as 16-bit and then be read
    // with the wrong frame size: the frame must be exactly 2 bytes a channel.
    return f.sampleRate == kAcceptedRate && f.bitsPerSample == kAcceptedBits &&
           f.channels == kAcceptedChannels && f.blockAlign == kAcceptedChannels * 2;
}

uint8_t WaveFileSilenceByte(const WaveFile* file) {
    return file && file->format.bitsPerSample == 8 ? 0x80 : 0x00;
}
