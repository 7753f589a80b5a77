#include "tools/scan_mapping.h"

#if defined(__linux__)

#include <chrono>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/thread.h"

namespace {

// How long the consumer spins for a window the mapping thread is mapping
// before it maps the window itself: a few times one window's mapping.
constexpr auto kSpinLimit = std::chrono::microseconds(500);

// ---- The SIGBUS guard ----

// The live windows of every mapping in the process. The handler reads them
// lock-free: begin is written last on entry and cleared first on removal.
struct GuardedRange {
    std::atomic<uint32_t> taken;
    std::atomic<uintptr_t> begin;
    std::atomic<uintptr_t> end;
    std::atomic<std::atomic<uint32_t>*> failed;
};

constexpr int kGuardedRanges = 512; // 64 jobs x (4 slots + own), with room
GuardedRange g_guarded[kGuardedRanges];
struct sigaction g_previousBus;
uintptr_t g_pageSize = 4096;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
    for (GuardedRange& range : g_guarded) {
        const uintptr_t begin = range.begin.load();
        if (begin == 0 || at < begin || at >= range.end.load()) continue;
        // Zeros in place of the lost page; the access then completes.
        void* page = reinterpret_cast<void*>(at & ~(g_pageSize - 1));
        if (mmap(page, g_pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
            MAP_FAILED)
            break;
        range.failed.load()->store(1);
        return;
    }
    // Not one of ours: the previous disposition takes it when the access repeats.
    if (g_previousBus.sa_flags & SA_SIGINFO) {
        if (g_previousBus.sa_sigaction) return g_previousBus.sa_sigaction(signal, info, context);
    } else if (g_previousBus.sa_handler != SIG_DFL && g_previousBus.sa_handler != SIG_IGN) {
        return g_previousBus.sa_handler(signal);
    }
    sigaction(SIGBUS, &g_previousBus, nullptr);
}

bool InstallGuard() {
    static bool installed = false;
    static std::once_flag once;
    std::call_once(once, [] {
        g_pageSize = uintptr_t(sysconf(_SC_PAGESIZE));
        struct sigaction action = {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        installed = sigaction(SIGBUS, &action, &g_previousBus) == 0;
    });
    return installed;
}

bool Guard(const ScanWindow& w, std::atomic<uint32_t>* failed) {
    for (GuardedRange& range : g_guarded) {
        uint32_t free = 0;
        if (!range.taken.compare_exchange_strong(free, 1)) continue;
        range.failed.store(failed);
        range.end.store(reinterpret_cast<uintptr_t>(w.base) + w.length);
        range.begin.store(reinterpret_cast<uintptr_t>(w.base));
        return true;
    }
    return false;
}

void Unguard(const ScanWindow& w) {
    for (GuardedRange& range : g_guarded) {
        if (range.begin.load() != reinterpret_cast<uintptr_t>(w.base)) continue;
        range.begin.store(0);
        range.taken.store(0);
        return;
    }
}

// ---- Windows ----

void Unmap(ScanWindow* w) {
    if (!w->base) return;
    Unguard(*w);
    munmap(w->base, w->length);
    *w = ScanWindow{};
}

// Maps window `index` with its pages entered; leaves w empty on failure.
void Map(ScanMapping* m, uint64_t index, ScanWindow* w) {
    const uint64_t first = index * m->windowBlocks;
    const uint64_t last = first + m->windowBlocks < m->blocks ? first + m->windowBlocks : m->blocks;
    const uint64_t from = m->dataOffset + first * m->blockBytes;
    const uint64_t page = from & ~uint64_t(g_pageSize - 1);
    const size_t length = size_t(m->dataOffset + last * m->blockBytes - page);
    void* p = mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, m->fd, off_t(page));
    if (p == MAP_FAILED) return;
    w->base = static_cast<uint8_t*>(p);
    w->length = length;
    w->blocks = w->base + (from - page);
    if (!Guard(*w, &m->failed)) Unmap(w);
}

int SlotOf(uint64_t window) {
    return int(window % kScanWindowSlots);
}

bool Claim(ScanMapping* m, uint64_t window) {
    return m->claimed.compare_exchange_strong(window, window + 1);
}

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

bool SpinForWindow(const ScanMapping* m, uint64_t window) {
    const std::atomic<uint64_t>& ready = m->ready[SlotOf(window)];
    const auto limit = std::chrono::steady_clock::now() + kSpinLimit;
    do {
        for (int i = 0; i < 64; ++i) {
            if (ready.load() == window + 1) return true;
            CpuRelax();
        }
    } while (std::chrono::steady_clock::now() < limit);
    return false;
}

// Sleeps until the consumer has left window `left` or stop is raised. Only
// this thread waits on the event: it resets it before it looks.
void WaitForFreed(ScanMapping* m, uint64_t left) {
    while (m->consumed.load() <= left && m->stop.load() == 0) {
        SysEventReset(m->freedEvent);
        if (m->consumed.load() > left || m->stop.load() != 0) break;
        SysEventWait(m->freedEvent, kSysWaitForever);
    }
}

void MapAheadMain(void* arg) {
    ScanMapping* m = static_cast<ScanMapping*>(arg);
    for (;;) {
        const uint64_t k = m->claimed.load();
        if (k >= m->windows || m->stop.load()) return;
        if (k >= kScanWindowSlots) WaitForFreed(m, k - kScanWindowSlots);
        if (m->stop.load()) return;
        if (!Claim(m, k)) continue; // the consumer maps it itself
        ScanWindow* slot = &m->slots[SlotOf(k)];
        Unmap(slot);
        Map(m, k, slot);
        m->ready[SlotOf(k)].store(k + 1);
    }
}

// The consumer leaves its window for window w.
void Leave(ScanMapping* m, uint64_t w) {
    Unmap(&m->own);
    m->consumed.store(w);
    if (m->thread) SysEventSet(m->freedEvent);
}

// Window w's first block for the consumer, or null when it cannot be mapped.
const uint8_t* Enter(ScanMapping* m, uint64_t w) {
    if (m->thread) {
        const uint64_t claimed = m->claimed.load();
        const bool mine = claimed <= w && Claim(m, w); // nobody has started it
        if (!mine && SpinForWindow(m, w)) return m->slots[SlotOf(w)].blocks;
        // Otherwise the mapping thread lost its CPU: map the window here too.
    }
    Map(m, w, &m->own);
    return m->own.blocks;
}

} // namespace

uint64_t ScanMappingStart(ScanMapping* m, int fd, uint64_t dataOffset, uint64_t dataBytes,
                          size_t blockBytes, uint64_t maxBlocks, size_t windowBytes, bool mapAhead,
                          SysEvent* freedEvent) {
    struct stat st;
    if (blockBytes == 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !InstallGuard()) return 0;
    const uint64_t inFile = uint64_t(st.st_size) > dataOffset ? uint64_t(st.st_size) - dataOffset : 0;
    const uint64_t bytes = dataBytes < inFile ? dataBytes : inFile;
    const uint64_t blocks = bytes / blockBytes < maxBlocks ? bytes / blockBytes : maxBlocks;
    if (blocks == 0) return 0;
    m->fd = fd;
    m->dataOffset = dataOffset;
    m->blockBytes = blockBytes;
    m->blocks = blocks;
    m->windowBlocks = windowBytes > blockBytes ? windowBytes / blockBytes : 1;
    m->windows = (blocks + m->windowBlocks - 1) / m->windowBlocks;
    m->freedEvent = freedEvent;
    m->current = 0;
    m->currentBlocks = nullptr;
    m->claimed.store(0);
    m->consumed.store(0);
    for (std::atomic<uint64_t>& word : m->ready)
        word.store(0);
    m->stop.store(0);
    m->failed.store(0);
    SysEventReset(freedEvent);
    m->thread = mapAhead && m->windows > 1 ? SysThreadStart(MapAheadMain, m) : nullptr;
    return blocks;
}

const uint8_t* ScanMappingBlock(ScanMapping* m, uint64_t index) {
    const uint64_t w = index / m->windowBlocks;
    if (m->current != w + 1) {
        if (m->current) Leave(m, w);
        m->current = w + 1;
        m->currentBlocks = Enter(m, w);
    }
    if (!m->currentBlocks) return nullptr;
    return m->currentBlocks + (index - w * m->windowBlocks) * m->blockBytes;
}

int ScanMappingFinish(ScanMapping* m) {
    if (m->thread) {
        m->stop.store(1);
        SysEventSet(m->freedEvent);
        SysThreadJoin(m->thread);
        m->thread = nullptr;
    }
    Unmap(&m->own);
    for (ScanWindow& slot : m->slots)
        Unmap(&slot);
    return m->failed.load() == 0;
}

#else

uint64_t ScanMappingStart(ScanMapping*, int, uint64_t, uint64_t, size_t, uint64_t, size_t, bool,
                          SysEvent*) {
    return 0;
}
const uint8_t* ScanMappingBlock(ScanMapping*, uint64_t) {
    return nullptr;
}
int ScanMappingFinish(ScanMapping*) {
    return 1;
}

#endif
