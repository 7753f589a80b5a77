// POSIX threads behind the sys thread layer. Priorities become nice values of
// the calling thread: real-time scheduling could starve the machine, and a
// nicer value than the default is all a meter needs to keep its frame rate.
// Events are futex words and waits spin first (Linux).
#include "sys/thread.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <new>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

static_assert(sizeof(pthread_mutex_t) <= sizeof(SysLock::opaque), "SysLock storage too small");
static_assert(alignof(pthread_mutex_t) <= 8, "SysLock storage alignment");

// The display thread answers a hand-over within microseconds, and a reader
// refills its block in tens of them. Spinning that long before sleeping
// saves two context switches per frame, which is most of the cost of
// measuring a file offline; a real stream waits seldom. The engine's lock
// is held for a few hundred nanoseconds at a time, so it spins a little
// too, like a critical section with a spin count.
constexpr int kSpinLimit = 6000;
constexpr int kLockSpinLimit = 200;

static void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Schedulers that pack threads onto few CPUs put a woken thread beside the
// one that woke it, and a new thread beside its creator. With waits that
// spin, that pair then burns each other's time. So a thread that finds
// itself on the CPU of its creator, or of the thread that woke it, moves to
// another allowed CPU and is then free again; once apart, the two stay
// apart as long as their waits end while spinning.
static void MoveOffCpu(int cpu) {
    cpu_set_t allowed;
    if (cpu < 0 || sched_getcpu() != cpu) return;
    if (pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed) != 0) return;
    if (CPU_COUNT(&allowed) < 2 || !CPU_ISSET(cpu, &allowed)) return;
    cpu_set_t elsewhere = allowed;
    CPU_CLR(cpu, &elsewhere);
    if (pthread_setaffinity_np(pthread_self(), sizeof elsewhere, &elsewhere) == 0)
        pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
}

static pthread_mutex_t* MutexOf(SysLock* lock) {
    return reinterpret_cast<pthread_mutex_t*>(lock->opaque);
}

int SysLockInit(SysLock* lock) {
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0) return 0;
    // A critical section may be entered again by its owner.
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    int rc = pthread_mutex_init(new (lock->opaque) pthread_mutex_t, &attr);
    pthread_mutexattr_destroy(&attr);
    return rc == 0 ? 1 : 0;
}

void SysLockDelete(SysLock* lock) { pthread_mutex_destroy(MutexOf(lock)); }

void SysLockEnter(SysLock* lock) {
    pthread_mutex_t* mutex = MutexOf(lock);
    for (int i = 0; i < kLockSpinLimit; ++i) {
        if (pthread_mutex_trylock(mutex) == 0) return;
        CpuRelax();
    }
    pthread_mutex_lock(mutex);
}

void SysLockLeave(SysLock* lock) { pthread_mutex_unlock(MutexOf(lock)); }

// A manual-reset event on a futex word: setting, resetting and a wait that
// finds the event set are plain atomic operations; only a waiter that has
// to sleep, and a set that has a sleeper to wake, enter the kernel.
struct SysEvent {
    std::atomic<uint32_t> set;
    std::atomic<uint32_t> sleepers;
    std::atomic<int> setterCpu; // where the last set ran
};

static bool SpinUntilSet(SysEvent* event) {
    for (int i = 0; i < kSpinLimit; ++i) {
        if (event->set.load(std::memory_order_acquire)) return true;
        CpuRelax();
    }
    return false;
}

// Sleeps while the word still holds 0, until woken or the absolute
// CLOCK_MONOTONIC deadline (null: none). Returns the errno of the call.
static int FutexWaitWhileClear(std::atomic<uint32_t>* word, const timespec* deadline) {
    long rc = syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_BITSET_PRIVATE, 0u,
                      deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
    return rc == 0 ? 0 : errno;
}

static void FutexWakeAll(std::atomic<uint32_t>* word) {
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr,
            nullptr, 0);
}

SysEvent* SysEventCreate() { return new (std::nothrow) SysEvent{{0}, {0}, {-1}}; }

void SysEventClose(SysEvent* event) { delete event; }

// The store and the load of the sleeper count are sequentially consistent,
// as are the waiter's increment and its look at the word: either the setter
// sees the sleeper, or the sleeper sees the event set.
void SysEventSet(SysEvent* event) {
    event->setterCpu.store(sched_getcpu(), std::memory_order_relaxed);
    event->set.store(1);
    if (event->sleepers.load() != 0) FutexWakeAll(&event->set);
}

void SysEventReset(SysEvent* event) { event->set.store(0); }

static timespec DeadlineAfter(uint32_t ms) {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += ms / 1000;
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

int SysEventWait(SysEvent* event, uint32_t timeoutMs) {
    if (!event) return -1;
    if (SpinUntilSet(event)) return 1;
    timespec deadline = DeadlineAfter(timeoutMs == kSysWaitForever ? 0 : timeoutMs);
    const timespec* limit = timeoutMs == kSysWaitForever ? nullptr : &deadline;
    int result = 1;
    event->sleepers.fetch_add(1);
    while (event->set.load() == 0) {
        int rc = FutexWaitWhileClear(&event->set, limit);
        if (rc == ETIMEDOUT) {
            result = event->set.load() ? 1 : 0;
            break;
        }
        if (rc != 0 && rc != EAGAIN && rc != EINTR) {
            result = -1;
            break;
        }
    }
    event->sleepers.fetch_sub(1);
    if (result == 1) MoveOffCpu(event->setterCpu.load(std::memory_order_relaxed));
    return result;
}

struct SysThread {
    pthread_t thread;
    SysThreadProc proc;
    void* arg;
    int creatorCpu; // where SysThreadStart ran, -1 when unknown
};

static void* ThreadMain(void* p) {
    SysThread* thread = static_cast<SysThread*>(p);
    MoveOffCpu(thread->creatorCpu);
    thread->proc(thread->arg);
    return nullptr;
}

SysThread* SysThreadStart(SysThreadProc proc, void* arg) {
    SysThread* thread = new (std::nothrow) SysThread();
    if (!thread) return nullptr;
    thread->proc = proc;
    thread->arg = arg;
    thread->creatorCpu = sched_getcpu();
    if (pthread_create(&thread->thread, nullptr, ThreadMain, thread) != 0) {
        delete thread;
        return nullptr;
    }
    return thread;
}

int SysThreadJoin(SysThread* thread) {
    if (!thread) return 0;
    int rc = pthread_join(thread->thread, nullptr);
    delete thread;
    return rc == 0 ? 1 : 0;
}

int SysThreadSetPriority(SysThreadPriority priority) {
    static const int kNice[] = {0, -5, -10};
    int index =
        priority >= kSysPriorityNormal && priority <= kSysPriorityTimeCritical ? priority : 0;
    pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kNice[index]) == 0 ? 1 : 0;
}

void SysSleep(uint32_t ms) {
    timespec t;
    t.tv_sec = ms / 1000;
    t.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}
