// Threads with priorities, manual-reset events and the lock: the little the
// portable core needs from the platform. Win32 maps them onto its own
// objects; the native build onto POSIX threads, where priorities are best
// effort (raising one usually needs privileges the process does not have).
#pragma once

#include <chrono>
#include <cstdint>

// Scheduling priorities a thread may ask for, in the Win32 sense.
enum SysThreadPriority {
    kSysPriorityNormal = 0,       // THREAD_PRIORITY_NORMAL
    kSysPriorityHighest = 1,      // THREAD_PRIORITY_HIGHEST (the display thread)
    kSysPriorityTimeCritical = 2, // THREAD_PRIORITY_TIME_CRITICAL (the streaming thread)
};

// A wait without limit.
constexpr uint32_t kSysWaitForever = 0xFFFFFFFFu;

// A lock in the manner of a critical section: recursive for its owner,
// embedded in the record it guards. Zero-filled storage until SysLockInit.
struct SysLock {
    alignas(8) unsigned char opaque[64];
};

struct SysEvent;  // a manual-reset event, made by SysEventCreate
struct SysThread; // a running thread, made by SysThreadStart

using SysThreadProc = void (*)(void* arg);

// Prepares the lock. Returns 1 on success, 0 on failure (then it must not be used).
int SysLockInit(SysLock* lock);
// Releases what SysLockInit took. The lock must not be held.
void SysLockDelete(SysLock* lock);
void SysLockEnter(SysLock* lock);
void SysLockLeave(SysLock* lock);

// Creates a manual-reset event, initially clear. Returns null on failure.
SysEvent* SysEventCreate();
// Closes the event; null is ignored. Nobody may wait on it any more.
void SysEventClose(SysEvent* event);
// Sets the event: every waiter, present and future, passes until it is reset.
// Set and reset are full barriers: what the caller writes before them, and
// reads after them, stays on that side.
void SysEventSet(SysEvent* event);
void SysEventReset(SysEvent* event);
// Waits until the event is set or timeoutMs has passed (kSysWaitForever: no
// limit). Returns 1 when the event is set, 0 on timeout, -1 on failure.
int SysEventWait(SysEvent* event, uint32_t timeoutMs);

// Who resets the event a wait sleeps on.
enum SysWaiters {
    // Any number of threads wait at once and none resets the event: a
    // thread that makes the condition false resets it before it does, and a
    // thread that may make it true sets it after.
    kSysSharedWaiters = 0,
    // The caller is the event's only waiter and resets it before each look,
    // so a condition that takes several sets to come true is not spun on.
    kSysSoleWaiter = 1,
};

// Waits until holds() is true, looking again each time the event is set,
// for at most timeoutMs in all (kSysWaitForever: no limit). A set between a
// look and the wait that follows is never missed: the event stays set.
// Returns 1 when the condition holds, 0 on timeout or when the wait fails.
template <class Holds>
int SysEventWaitUntil(SysEvent* event, Holds holds, uint32_t timeoutMs, SysWaiters waiters) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        if (waiters == kSysSoleWaiter) SysEventReset(event);
        if (holds()) return 1;
        uint32_t left = kSysWaitForever;
        if (timeoutMs != kSysWaitForever) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            if (spent.count() >= timeoutMs) return 0;
            left = timeoutMs - uint32_t(spent.count());
        }
        if (SysEventWait(event, left) == -1) return 0;
    }
}

// Starts proc(arg) on a new thread. Returns null when no thread could be made.
SysThread* SysThreadStart(SysThreadProc proc, void* arg);
// Waits for the thread to end and frees its handle. Returns 1 when it ended,
// 0 when thread was null or the wait failed.
int SysThreadJoin(SysThread* thread);
// Sets the calling thread's priority. Returns 1 when the platform took it, 0
// when it refused (natively the normal outcome without privileges): the
// thread then runs on at its previous priority.
int SysThreadSetPriority(SysThreadPriority priority);
// Sleeps for about ms milliseconds.
void SysSleep(uint32_t ms);
