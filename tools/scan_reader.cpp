#include "tools/scan_reader.h"

#include <new>

#include "audio/wave_file.h"
#include "sys/thread.h"

namespace {

uint8_t* BlockOf(ScanReader* r, uint64_t index) {
    return r->blocks[index % kScanReaderBlocks];
}

// Buffers in block `index`: full blocks, then what is left.
uint32_t BuffersIn(const ScanReader* r, uint64_t index) {
    const uint64_t first = index * r->blockBuffers;
    const uint64_t left = r->buffers - first;
    return left < r->blockBuffers ? uint32_t(left) : r->blockBuffers;
}

void FillBlock(ScanReader* r, uint64_t index) {
    WaveFileRead(r->file, BlockOf(r, index), BuffersIn(r, index) * r->bufferBytes);
}

// Waits until *counter reaches target or stop is raised. Only one thread
// waits on each event: it resets the event before it looks, so a set in
// between is never missed.
void WaitFor(const std::atomic<uint64_t>& counter, uint64_t target, SysEvent* event,
             const std::atomic<uint32_t>& stop) {
    while (counter.load() < target && stop.load() == 0) {
        SysEventReset(event);
        if (counter.load() >= target || stop.load() != 0) break;
        SysEventWait(event, kSysWaitForever);
    }
}

// The read-ahead thread: fills each block once the consumer has given back
// the block that last used its storage.
void ReadAheadMain(void* arg) {
    ScanReader* r = static_cast<ScanReader*>(arg);
    for (uint64_t k = 0; k < r->blockCount; ++k) {
        if (k >= kScanReaderBlocks)
            WaitFor(r->consumed, k - kScanReaderBlocks + 1, r->freedEvent, r->stop);
        if (r->stop.load()) return;
        FillBlock(r, k);
        r->filled.store(k + 1);
        SysEventSet(r->filledEvent);
    }
}

} // namespace

int ScanReaderInit(ScanReader* r, uint32_t bufferBytes, uint32_t blockBuffers) {
    r->bufferBytes = bufferBytes;
    r->blockBuffers = blockBuffers;
    const size_t bytes = size_t(bufferBytes) * blockBuffers;
    bool ok = bytes > 0;
    for (uint8_t*& block : r->blocks) {
        block = ok ? new (std::nothrow) uint8_t[bytes] : nullptr;
        ok = ok && block;
    }
    r->filledEvent = SysEventCreate();
    r->freedEvent = SysEventCreate();
    if (ok && r->filledEvent && r->freedEvent) return 1;
    ScanReaderFree(r);
    return 0;
}

void ScanReaderFree(ScanReader* r) {
    for (uint8_t*& block : r->blocks) {
        delete[] block;
        block = nullptr;
    }
    SysEventClose(r->filledEvent);
    SysEventClose(r->freedEvent);
    r->filledEvent = r->freedEvent = nullptr;
}

void ScanReaderStart(ScanReader* r, WaveFile* file, uint64_t buffers, bool readAhead) {
    r->file = file;
    r->buffers = buffers;
    r->blockCount = (buffers + r->blockBuffers - 1) / r->blockBuffers;
    r->next = 0;
    r->filled.store(0);
    r->consumed.store(0);
    r->stop.store(0);
    SysEventReset(r->filledEvent);
    SysEventReset(r->freedEvent);
    // One block needs no second thread.
    r->thread = readAhead && r->blockCount > 1 ? SysThreadStart(ReadAheadMain, r) : nullptr;
}

const uint8_t* ScanReaderNext(ScanReader* r, uint32_t* count) {
    if (r->next > 0 && r->thread) {
        r->consumed.store(r->next);
        SysEventSet(r->freedEvent);
    }
    if (r->next >= r->blockCount) return nullptr;
    const uint64_t k = r->next++;
    if (r->thread)
        WaitFor(r->filled, k + 1, r->filledEvent, r->stop);
    else
        FillBlock(r, k);
    *count = BuffersIn(r, k);
    return BlockOf(r, k);
}

void ScanReaderFinish(ScanReader* r) {
    if (r->thread) {
        r->stop.store(1);
        SysEventSet(r->freedEvent);
        SysThreadJoin(r->thread);
        r->thread = nullptr;
    }
    r->file = nullptr;
}
