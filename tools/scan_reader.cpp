#include "tools/scan_reader.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "sys/thread.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// How long the consumer spins for a block the read-ahead thread is reading
// before it reads the block itself: a few times one block's read.
constexpr auto kSpinLimit = std::chrono::microseconds(200);

// The blocks lie in one allocation. On Linux it is aligned for a huge page
// and asks for one: the first touch of each fresh 4 KiB page is a page fault,
// which costs a virtual machine tens of microseconds; a huge page takes one.
constexpr size_t kHugePage = size_t(2) << 20;

uint8_t* AllocateBlocks(size_t bytes) {
#if defined(__linux__)
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p) madvise(p, rounded, MADV_HUGEPAGE); // advice only: a refusal costs speed, not data
    return static_cast<uint8_t*>(p);
#else
    return static_cast<uint8_t*>(std::malloc(bytes));
#endif
}

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

int SlotOf(uint64_t block) {
    return int(block % kScanReaderSlots);
}

// Buffers in block `index`: full blocks, then what is left.
uint32_t BuffersIn(const ScanReader* r, uint64_t index) {
    const uint64_t left = r->buffers - index * r->blockBuffers;
    return left < r->blockBuffers ? uint32_t(left) : r->blockBuffers;
}

// Reads block `index` into `to` through the consumer's open of the file or
// (ahead) the read-ahead thread's: the bytes of WaveFileRead from the
// block's first frame, or the frames SoundFileRead decodes; silence past
// the data.
size_t BlockIndex(const ScanReader* r, const uint8_t* block) {
    return size_t(block - r->storage) / r->blockRoom;
}

const uint8_t* FillBlock(ScanReader* r, bool ahead, uint64_t index, uint8_t* to) {
    const uint32_t bytes = BuffersIn(r, index) * r->bufferBytes;
    r->blockInvalid[BlockIndex(r, to)] = 0;
    if (r->file) {
        WaveFile* file = ahead ? &r->aheadFile : r->file;
        WaveFileSetPosition(file, int64_t(index * r->blockBuffers * (r->bufferBytes / 4)));
        WaveFileRead(file, to, bytes);
        return to;
    }
    SoundFile* sound = ahead ? &r->aheadSound : r->sound;
    const uint32_t frameBytes = 4 * sound->format.channels;
    const uint32_t frames = bytes / frameBytes;
    const uint64_t first = index * r->blockBuffers * (r->bufferBytes / frameBytes);
    const uint64_t before = sound->invalidSamples;
    const uint32_t got = SoundFileRead(sound, first, reinterpret_cast<float*>(to), frames);
    std::memset(to + size_t(got) * frameBytes, 0, size_t(frames - got) * frameBytes);
    r->blockInvalid[BlockIndex(r, to)] = sound->invalidSamples - before;
    return to;
}

// Hands a block to the consumer, counting the invalid samples it holds
// once, however many reads of it there were.
const uint8_t* Deliver(ScanReader* r, const uint8_t* block) {
    r->invalidSamples += r->blockInvalid[BlockIndex(r, block)];
    return block;
}

// Room for blocks of `bytes` in the slots and the own blocks.
bool EnsureRoom(ScanReader* r, size_t bytes) {
    if (bytes <= r->blockRoom) return true;
    uint8_t* storage = AllocateBlocks(bytes * (kScanReaderSlots + 2));
    if (!storage) return false;
    std::free(r->storage);
    r->storage = storage;
    r->blockRoom = bytes;
    for (int i = 0; i < kScanReaderSlots; ++i)
        r->slots[i] = storage + i * bytes;
    r->own[0] = storage + kScanReaderSlots * bytes;
    r->own[1] = r->own[0] + bytes;
    return true;
}

void CloseAhead(ScanReader* r) {
    if (r->file) WaveFileClose(&r->aheadFile);
    if (r->sound) SoundFileClose(&r->aheadSound);
}

// Claims block k for the caller's read. Fails when the other reader took it.
bool Claim(ScanReader* r, uint64_t k) {
    return r->claimed.compare_exchange_strong(k, k + 1);
}

// Spins until block k is in its slot. Returns false after kSpinLimit.
bool SpinForBlock(const ScanReader* r, uint64_t k) {
    const std::atomic<uint64_t>& ready = r->ready[SlotOf(k)];
    const auto limit = std::chrono::steady_clock::now() + kSpinLimit;
    do {
        for (int i = 0; i < 64; ++i) {
            if (ready.load() == k + 1) return true;
            CpuRelax();
        }
    } while (std::chrono::steady_clock::now() < limit);
    return false;
}

// Sleeps until the consumer has given back block `given` or stop is raised.
// The consumer sets the event after every block it gives back, and blocks
// it stole may come first: this thread, the only waiter, resets it before
// each look.
void WaitForFreed(ScanReader* r, uint64_t given) {
    SysEventWaitUntil(
        r->freedEvent, [r, given] { return r->consumed.load() > given || r->stop.load() != 0; },
        kSysWaitForever, kSysSoleWaiter);
}

// The read-ahead thread: claims the next unclaimed block once its slot's
// previous block is given back, reads it and marks it ready.
void ReadAheadMain(void* arg) {
    ScanReader* r = static_cast<ScanReader*>(arg);
    for (;;) {
        const uint64_t k = r->claimed.load();
        if (k >= r->blockCount || r->stop.load()) return;
        if (k >= kScanReaderSlots) WaitForFreed(r, k - kScanReaderSlots);
        if (r->stop.load()) return;
        if (!Claim(r, k)) continue; // the consumer reads it itself
        FillBlock(r, true, k, r->slots[SlotOf(k)]);
        r->ready[SlotOf(k)].store(k + 1);
    }
}

} // namespace

int ScanReaderInit(ScanReader* r, uint32_t bufferBytes, uint32_t blockBuffers) {
    r->programBufferBytes = r->bufferBytes = bufferBytes;
    r->programBlockBuffers = r->blockBuffers = blockBuffers;
    const size_t bytes = size_t(bufferBytes) * blockBuffers;
    r->freedEvent = SysEventCreate();
    if (bytes == 0 || !r->freedEvent || !EnsureRoom(r, bytes)) {
        ScanReaderFree(r);
        return 0;
    }
    return 1;
}

void ScanReaderFree(ScanReader* r) {
    std::free(r->storage);
    r->storage = r->own[0] = r->own[1] = nullptr;
    r->blockRoom = 0;
    for (uint8_t*& slot : r->slots)
        slot = nullptr;
    SysEventClose(r->freedEvent);
    r->freedEvent = nullptr;
}

namespace {

// What both starts share once the source and the block sizes are set.
void Start(ScanReader* r, uint64_t buffers, bool readAhead) {
    r->buffers = buffers;
    r->blockCount = (buffers + r->blockBuffers - 1) / r->blockBuffers;
    r->next = 0;
    r->invalidSamples = 0;
    r->ahead = 0;
    r->claimed.store(0);
    r->consumed.store(0);
    for (std::atomic<uint64_t>& word : r->ready)
        word.store(0);
    r->stop.store(0);
    SysEventReset(r->freedEvent);
    r->thread = nullptr;
    // One block needs no second thread.
    if (!readAhead || r->blockCount < 2) return;
    if (r->file && WaveFileOpen(&r->aheadFile, r->file->path) != kWaveOpened) return;
    if (r->sound && SoundFileOpen(&r->aheadSound, r->path, r->others) != kSoundOpened) return;
    r->thread = SysThreadStart(ReadAheadMain, r);
    if (!r->thread) CloseAhead(r);
}

} // namespace

void ScanReaderStart(ScanReader* r, WaveFile* file, uint64_t buffers, bool readAhead) {
    r->file = file;
    r->sound = nullptr;
    r->bufferBytes = r->programBufferBytes;
    r->blockBuffers = r->programBlockBuffers;
    Start(r, buffers, readAhead);
}

int ScanReaderStartSound(ScanReader* r, SoundFile* sound, const char* path,
                         const SoundOtherOps* others, uint32_t bufferFrames, uint64_t buffers,
                         bool readAhead) {
    const size_t bufferBytes = size_t(bufferFrames) * 4 * sound->format.channels;
    r->file = nullptr;
    r->sound = sound;
    r->path = path;
    r->others = others;
    r->blockBuffers = 0;
    r->blockCount = 0;
    if (bufferBytes == 0 || bufferBytes > UINT32_MAX || !EnsureRoom(r, bufferBytes)) return 0;
    r->bufferBytes = uint32_t(bufferBytes);
    r->blockBuffers = uint32_t(r->blockRoom / bufferBytes);
    Start(r, buffers, readAhead);
    return 1;
}

const uint8_t* ScanReaderNext(ScanReader* r, uint32_t* count) {
    if (r->next > 0 && r->thread) {
        r->consumed.store(r->next);
        SysEventSet(r->freedEvent);
    }
    if (r->next >= r->blockCount) return nullptr;
    const uint64_t k = r->next++;
    *count = BuffersIn(r, k);
    if (r->ahead == k + 1) { // read ahead here earlier
        r->ahead = 0;
        return Deliver(r, r->own[r->aheadOwn]);
    }
    // The own block that holds no block read ahead is free.
    uint8_t* own = r->own[r->ahead && r->aheadOwn == 0 ? 1 : 0];
    if (!r->thread) return Deliver(r, FillBlock(r, false, k, own));
    for (;;) {
        if (r->ready[SlotOf(k)].load() == k + 1) return Deliver(r, r->slots[SlotOf(k)]);
        if (Claim(r, k)) return Deliver(r, FillBlock(r, false, k, own)); // nobody started it
        // Under way on the read-ahead thread: read the next block meanwhile.
        const uint64_t j = r->claimed.load();
        if (r->ahead || j >= r->blockCount || !Claim(r, j)) break;
        r->aheadOwn = own == r->own[0] ? 1 : 0;
        r->ahead = j + 1;
        FillBlock(r, false, j, r->own[r->aheadOwn]);
    }
    if (SpinForBlock(r, k)) return Deliver(r, r->slots[SlotOf(k)]);
    // The read-ahead thread lost its CPU: read the block here.
    return Deliver(r, FillBlock(r, false, k, own));
}

void ScanReaderFinish(ScanReader* r) {
    if (r->thread) {
        r->stop.store(1);
        SysEventSet(r->freedEvent);
        SysThreadJoin(r->thread);
        r->thread = nullptr;
        CloseAhead(r);
    }
    r->file = nullptr;
    r->sound = nullptr;
}
