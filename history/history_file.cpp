#include "history/history_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "history/cue_store.h"
#include "sys/byte_order.h"
#include "sys/file_path.h"
#include "sys/file_replace.h"

const char kHistoryFileSignature[16] = "HistoryLevel-PX";

namespace {

constexpr int kCueBytes = 128;
constexpr int kSlotBytes = 40;
constexpr int kChunkSlots = 400; // slots encoded or decoded at a time

// Little-endian fields, whatever the build's own byte order and padding.
void PutU64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

void PutF32(uint8_t* p, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    StoreU32(p, bits);
}

uint64_t GetU64(const uint8_t* p) {
    return uint64_t(LoadU32(p)) | uint64_t(LoadU32(p + 4)) << 32;
}

float GetF32(const uint8_t* p) {
    const uint32_t bits = LoadU32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void EncodeSlot(uint8_t* p, const HistoryRecord& r) {
    PutU64(p, uint64_t(r.samplePosition));
    PutF32(p + 8, r.peakL);
    PutF32(p + 12, r.powerL);
    PutF32(p + 16, r.averageL);
    PutF32(p + 20, r.peakR);
    PutF32(p + 24, r.powerR);
    PutF32(p + 28, r.averageR);
    PutF32(p + 32, r.correlation);
    StoreU32(p + 36, r.flags);
}

void DecodeSlot(const uint8_t* p, HistoryRecord& r) {
    r.samplePosition = int64_t(GetU64(p));
    r.peakL = GetF32(p + 8);
    r.powerL = GetF32(p + 12);
    r.averageL = GetF32(p + 16);
    r.peakR = GetF32(p + 20);
    r.powerR = GetF32(p + 24);
    r.averageR = GetF32(p + 28);
    r.correlation = GetF32(p + 32);
    r.flags = LoadU32(p + 36);
}

// The rate as a whole number; 0 for what does not fit (NaN included).
int32_t TruncatedRate(double sampleRate) {
    if (!(sampleRate > -2147483648.0 && sampleRate < 2147483648.0)) return 0;
    return int32_t(sampleRate);
}

bool ReadBytes(std::FILE* f, uint8_t* bytes, size_t n) {
    return std::fread(bytes, 1, n, f) == n;
}

bool WriteContents(FileSink* f, const HistoryStore* store, int32_t sampleRate, int32_t startTime,
                   int32_t cueCount, int32_t recordCount) {
    uint8_t header[kHistoryFileHeaderSize] = {};
    std::memcpy(header, kHistoryFileSignature, sizeof kHistoryFileSignature);
    StoreU32(header + 16, uint32_t(sampleRate));
    StoreU32(header + 20, uint32_t(startTime));
    StoreU32(header + 24, uint32_t(cueCount));
    StoreU32(header + 28, uint32_t(recordCount));
    if (!FileSinkWrite(f, header, sizeof header)) return false;

    for (int32_t k = 0; k < cueCount; ++k) {
        uint8_t cue[kCueBytes];
        PutU64(cue, uint64_t(store->cues[k].samplePosition));
        std::memcpy(cue + 8, store->cues[k].name, kCueNameSize);
        if (!FileSinkWrite(f, cue, sizeof cue)) return false;
    }

    uint8_t chunk[kChunkSlots * kSlotBytes];
    for (int32_t first = 0; first < recordCount; first += kChunkSlots) {
        const int32_t n = recordCount - first < kChunkSlots ? recordCount - first : kChunkSlots;
        for (int32_t i = 0; i < n; ++i)
            EncodeSlot(chunk + i * kSlotBytes, store->history[first + i]);
        if (!FileSinkWrite(f, chunk, size_t(n) * kSlotBytes)) return false;
    }
    return true;
}

// The length of an open file, or -1 when it cannot be told.
long FileLength(std::FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long length = std::ftell(f);
    if (std::fseek(f, 0, SEEK_SET) != 0) return -1;
    return length;
}

// Checks the header against the file's length before anything is allocated.
bool ParseHeader(std::FILE* f, HistoryFileHeader* h) {
    const long length = FileLength(f);
    uint8_t bytes[kHistoryFileHeaderSize];
    if (length < kHistoryFileHeaderSize || !ReadBytes(f, bytes, sizeof bytes)) return false;
    if (std::memcmp(bytes, kHistoryFileSignature, sizeof kHistoryFileSignature) != 0) return false;
    std::memcpy(h->signature, bytes, 16);
    h->sampleRate = int32_t(LoadU32(bytes + 16));
    h->startTime = int32_t(LoadU32(bytes + 20));
    h->cueCount = int32_t(LoadU32(bytes + 24));
    h->recordCount = int32_t(LoadU32(bytes + 28));
    std::memcpy(h->reserved, bytes + 32, 16);
    // A rate below 1 could not be told apart from the results 0 and -1.
    if (h->sampleRate < 1) return false;
    if (h->cueCount < 0 || h->cueCount > kCueCapacity) return false;
    if (h->recordCount < 1 || uint32_t(h->recordCount) > kHistoryCapacity) return false;
    const int64_t needed = int64_t(kHistoryFileHeaderSize) + int64_t(h->cueCount) * kCueBytes +
                           int64_t(h->recordCount) * kSlotBytes;
    return int64_t(length) >= needed;
}

bool PositionAllowed(int64_t position) {
    return position >= -kHistoryPositionLimit && position <= kHistoryPositionLimit;
}

bool ReadContents(std::FILE* f, const HistoryFileHeader& h, HistoryStore* store) {
    for (int32_t k = 0; k < h.cueCount; ++k) {
        uint8_t cue[kCueBytes];
        if (!ReadBytes(f, cue, sizeof cue)) return false;
        store->cues[k].samplePosition = int64_t(GetU64(cue));
        if (!PositionAllowed(store->cues[k].samplePosition)) return false;
        std::memcpy(store->cues[k].name, cue + 8, kCueNameSize);
        store->cues[k].name[kCueNameSize - 1] = '\0'; // names are drawn as C strings
    }
    uint8_t chunk[kChunkSlots * kSlotBytes];
    for (int32_t first = 0; first < h.recordCount; first += kChunkSlots) {
        const int32_t n = h.recordCount - first < kChunkSlots ? h.recordCount - first : kChunkSlots;
        if (!ReadBytes(f, chunk, size_t(n) * kSlotBytes)) return false;
        for (int32_t i = 0; i < n; ++i) {
            DecodeSlot(chunk + i * kSlotBytes, store->history[first + i]);
            if (!PositionAllowed(store->history[first + i].samplePosition)) return false;
        }
    }
    return true;
}

} // namespace

int WriteHistory(const HistoryStore* store, const char* path, double sampleRate,
                 int32_t startTime) {
    if (!store || !path) return -1;
    // One reading of the counts: slots appended meanwhile are not part of this file.
    const int32_t recordCount = store->recordCount;
    const int32_t cueCount = store->cueCount;
    // An empty history fails before any file is touched.
    if (!store->history || recordCount < 1 || uint32_t(recordCount) > store->capacity) return -1;
    if (cueCount < 0 || cueCount > kCueCapacity || (cueCount > 0 && !store->cues)) return -1;

    const bool saved = FileReplace(path, 0, [&](FileSink* f) {
        return WriteContents(f, store, TruncatedRate(sampleRate), startTime, cueCount, recordCount);
    });
    return saved ? 0 : -1;
}

int ReadHistoryInto(const char* path, double engineSampleRate, HistoryStore* incoming,
                    HistoryFileInfo* info) {
    if (!path || !incoming || !info) return -1;
    std::FILE* f = FileOpen(path, "rb");
    if (!f) return -1;
    HistoryFileHeader header{};
    bool ok = ParseHeader(f, &header) && HistoryStoreInit(incoming) == 1 &&
              ReadContents(f, header, incoming);
    std::fclose(f);
    if (!ok) {
        HistoryStoreFree(incoming);
        return -1;
    }
    // The store keeps its cues in time order; a file need not have them so.
    std::stable_sort(
        incoming->cues, incoming->cues + header.cueCount,
        [](const CueRecord& a, const CueRecord& b) { return a.samplePosition < b.samplePosition; });
    incoming->cueCount = header.cueCount;
    incoming->cueSelected = 0;
    incoming->writeIndex = header.recordCount;
    incoming->recordCount = header.recordCount;
    incoming->viewEnd = header.recordCount;
    incoming->viewPos = header.recordCount;
    info->sampleRate = header.sampleRate;
    info->startTime = header.startTime;
    info->lastSamplePosition = incoming->history[header.recordCount - 1].samplePosition;
    return header.sampleRate == TruncatedRate(engineSampleRate) ? 0 : header.sampleRate;
}

int ReadHistory(HistoryStore* store, const char* path, double engineSampleRate,
                HistoryFileInfo* info) {
    if (!store) return -1;
    HistoryStore incoming{};
    const int result = ReadHistoryInto(path, engineSampleRate, &incoming, info);
    if (result < 0) return -1;
    HistoryStoreSwap(store, &incoming);
    HistoryStoreFree(&incoming);
    return result;
}
