#include "tools/scan_reader.h"

#include <cstdlib>
#include <new>

#include "sys/thread.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

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

int SlotOf(uint64_t block) {
    return int(block % kScanReaderBlocks);
}

// Buffers in block `index`: full blocks, then what is left.
uint32_t BuffersIn(const ScanReader* r, uint64_t index) {
    const uint64_t left = r->buffers - index * r->blockBuffers;
    return left < r->blockBuffers ? uint32_t(left) : r->blockBuffers;
}

// Reads block `index` through `file` into its storage: the bytes of
// WaveFileRead from the block's first frame, silence past the data.
void FillBlock(ScanReader* r, WaveFile* file, uint64_t index) {
    file->position = int64_t(index * r->blockBuffers * (r->bufferBytes / 4));
    WaveFileRead(file, r->blocks[SlotOf(index)], BuffersIn(r, index) * r->bufferBytes);
}

// Waits until done() or stop. Only one thread waits on each event: it
// resets the event before it looks, so a set in between is never missed.
template <typename Done>
void WaitUntil(Done done, SysEvent* event, const std::atomic<uint32_t>& stop) {
    while (!done() && stop.load() == 0) {
        SysEventReset(event);
        if (done() || stop.load() != 0) break;
        SysEventWait(event, kSysWaitForever);
    }
}

// Claims block k for the caller's read. Fails when another reader took it.
bool Claim(ScanReader* r, uint64_t k) {
    return r->claimed.compare_exchange_strong(k, k + 1);
}

// The read-ahead thread: claims the next unclaimed block as soon as its
// storage is free, reads it and marks it ready.
void ReadAheadMain(void* arg) {
    ScanReader* r = static_cast<ScanReader*>(arg);
    for (;;) {
        const uint64_t k = r->claimed.load();
        if (k >= r->blockCount || r->stop.load()) return;
        if (k >= kScanReaderBlocks) {
            const uint64_t freed = k - kScanReaderBlocks + 1; // block k - 3 given back
            WaitUntil([&] { return r->consumed.load() >= freed; }, r->freedEvent, r->stop);
        }
        if (r->stop.load()) return;
        if (!Claim(r, k)) continue; // the consumer reads it itself
        FillBlock(r, &r->aheadFile, k);
        r->ready[SlotOf(k)].store(k + 1);
        SysEventSet(r->filledEvent);
    }
}

} // namespace

int ScanReaderInit(ScanReader* r, uint32_t bufferBytes, uint32_t blockBuffers) {
    r->bufferBytes = bufferBytes;
    r->blockBuffers = blockBuffers;
    const size_t bytes = size_t(bufferBytes) * blockBuffers;
    r->storage = bytes > 0 ? AllocateBlocks(bytes * kScanReaderBlocks) : nullptr;
    for (int i = 0; i < kScanReaderBlocks; ++i)
        r->blocks[i] = r->storage ? r->storage + i * bytes : nullptr;
    const bool ok = r->storage != nullptr;
    r->filledEvent = SysEventCreate();
    r->freedEvent = SysEventCreate();
    if (ok && r->filledEvent && r->freedEvent) return 1;
    ScanReaderFree(r);
    return 0;
}

void ScanReaderFree(ScanReader* r) {
    std::free(r->storage);
    r->storage = nullptr;
    for (uint8_t*& block : r->blocks)
        block = nullptr;
    SysEventClose(r->filledEvent);
    SysEventClose(r->freedEvent);
    r->filledEvent = r->freedEvent = nullptr;
}

void ScanReaderStart(ScanReader* r, WaveFile* file, uint64_t buffers, bool readAhead) {
    r->file = file;
    r->buffers = buffers;
    r->blockCount = (buffers + r->blockBuffers - 1) / r->blockBuffers;
    r->next = 0;
    r->claimed.store(0);
    r->consumed.store(0);
    for (std::atomic<uint64_t>& word : r->ready)
        word.store(0);
    r->stop.store(0);
    SysEventReset(r->filledEvent);
    SysEventReset(r->freedEvent);
    r->thread = nullptr;
    // One block needs no second thread.
    if (!readAhead || r->blockCount < 2 || WaveFileOpen(&r->aheadFile, file->path) != kWaveOpened)
        return;
    r->thread = SysThreadStart(ReadAheadMain, r);
    if (!r->thread) WaveFileClose(&r->aheadFile);
}

const uint8_t* ScanReaderNext(ScanReader* r, uint32_t* count) {
    if (r->next > 0 && r->thread) {
        r->consumed.store(r->next);
        SysEventSet(r->freedEvent);
    }
    if (r->next >= r->blockCount) return nullptr;
    const uint64_t k = r->next++;
    std::atomic<uint64_t>& ready = r->ready[SlotOf(k)];
    if (!r->thread) {
        FillBlock(r, r->file, k);
    } else if (ready.load() != k + 1) {
        if (Claim(r, k))
            FillBlock(r, r->file, k); // nobody has started it: read it here
        else                          // under way on the read-ahead thread
            WaitUntil([&] { return ready.load() == k + 1; }, r->filledEvent, r->stop);
    }
    *count = BuffersIn(r, k);
    return r->blocks[SlotOf(k)];
}

void ScanReaderFinish(ScanReader* r) {
    if (r->thread) {
        r->stop.store(1);
        SysEventSet(r->freedEvent);
        SysThreadJoin(r->thread);
        r->thread = nullptr;
        WaveFileClose(&r->aheadFile);
    }
    r->file = nullptr;
}
