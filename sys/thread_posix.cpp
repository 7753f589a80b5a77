// POSIX threads behind the sys thread layer. Priorities become nice values of
// the calling thread: real-time scheduling could starve the machine, and a
// nicer value than the default is all a meter needs to keep its frame rate.
#include "sys/thread.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <new>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

static_assert(sizeof(pthread_mutex_t) <= sizeof(SysLock::opaque), "SysLock storage too small");
static_assert(alignof(pthread_mutex_t) <= 8, "SysLock storage alignment");

struct SysEvent {
    pthread_mutex_t mutex;
    pthread_cond_t cond; // on CLOCK_MONOTONIC, so timeouts ignore clock changes
    std::atomic<bool> set; // written under the mutex, also read by spinning waiters
};

// The display thread answers a hand-over within microseconds. Spinning that
// long before sleeping saves two context switches per frame, which is most
// of the cost of measuring a file offline; a real stream waits seldom.
constexpr int kSpinLimit = 2000;

static void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

static bool SpinUntilSet(SysEvent* event) {
    for (int i = 0; i < kSpinLimit; ++i) {
        if (event->set.load(std::memory_order_acquire)) return true;
        CpuRelax();
    }
    return false;
}

struct SysThread {
    pthread_t thread;
    SysThreadProc proc;
    void* arg;
};

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
void SysLockEnter(SysLock* lock) { pthread_mutex_lock(MutexOf(lock)); }
void SysLockLeave(SysLock* lock) { pthread_mutex_unlock(MutexOf(lock)); }

SysEvent* SysEventCreate() {
    SysEvent* event = new (std::nothrow) SysEvent();
    if (!event) return nullptr;
    pthread_condattr_t attr;
    int ok = pthread_condattr_init(&attr) == 0;
    if (ok) {
        pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
        ok = pthread_cond_init(&event->cond, &attr) == 0;
        pthread_condattr_destroy(&attr);
    }
    if (ok && pthread_mutex_init(&event->mutex, nullptr) != 0) {
        pthread_cond_destroy(&event->cond);
        ok = 0;
    }
    if (!ok) {
        delete event;
        return nullptr;
    }
    return event;
}

void SysEventClose(SysEvent* event) {
    if (!event) return;
    pthread_cond_destroy(&event->cond);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

void SysEventSet(SysEvent* event) {
    pthread_mutex_lock(&event->mutex);
    event->set = true;
    pthread_cond_broadcast(&event->cond);
    pthread_mutex_unlock(&event->mutex);
}

void SysEventReset(SysEvent* event) {
    pthread_mutex_lock(&event->mutex);
    event->set = false;
    pthread_mutex_unlock(&event->mutex);
}

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
    int result = 1;
    pthread_mutex_lock(&event->mutex);
    while (!event->set) {
        int rc = timeoutMs == kSysWaitForever
                     ? pthread_cond_wait(&event->cond, &event->mutex)
                     : pthread_cond_timedwait(&event->cond, &event->mutex, &deadline);
        if (rc == ETIMEDOUT) {
            result = 0;
            break;
        }
        if (rc != 0) {
            result = -1;
            break;
        }
    }
    pthread_mutex_unlock(&event->mutex);
    return result;
}

static void* ThreadMain(void* p) {
    SysThread* thread = static_cast<SysThread*>(p);
    thread->proc(thread->arg);
    return nullptr;
}

SysThread* SysThreadStart(SysThreadProc proc, void* arg) {
    SysThread* thread = new (std::nothrow) SysThread();
    if (!thread) return nullptr;
    thread->proc = proc;
    thread->arg = arg;
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
    int index = priority >= kSysPriorityNormal && priority <= kSysPriorityTimeCritical ? priority : 0;
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
