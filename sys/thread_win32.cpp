// Win32 threads, events and critical sections behind the sys thread layer.
#include "sys/thread.h"

#include <new>
#include <process.h>
#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(SysLock::opaque), "SysLock storage too small");

struct SysThread {
    HANDLE handle;
    SysThreadProc proc;
    void* arg;
};

static CRITICAL_SECTION* SectionOf(SysLock* lock) {
    return reinterpret_cast<CRITICAL_SECTION*>(lock->opaque);
}

int SysLockInit(SysLock* lock) {
    InitializeCriticalSection(new (lock->opaque) CRITICAL_SECTION);
    return 1;
}

void SysLockDelete(SysLock* lock) { DeleteCriticalSection(SectionOf(lock)); }
void SysLockEnter(SysLock* lock) { EnterCriticalSection(SectionOf(lock)); }
void SysLockLeave(SysLock* lock) { LeaveCriticalSection(SectionOf(lock)); }

SysEvent* SysEventCreate() {
    return reinterpret_cast<SysEvent*>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

void SysEventClose(SysEvent* event) {
    if (event) CloseHandle(reinterpret_cast<HANDLE>(event));
}

void SysEventSet(SysEvent* event) { SetEvent(reinterpret_cast<HANDLE>(event)); }
void SysEventReset(SysEvent* event) { ResetEvent(reinterpret_cast<HANDLE>(event)); }

int SysEventWait(SysEvent* event, uint32_t timeoutMs) {
    if (!event) return -1;
    DWORD rc = WaitForSingleObject(reinterpret_cast<HANDLE>(event),
                                   timeoutMs == kSysWaitForever ? INFINITE : timeoutMs);
    if (rc == WAIT_OBJECT_0) return 1;
    return rc == WAIT_TIMEOUT ? 0 : -1;
}

// _beginthreadex rather than CreateThread so the C runtime of the thread is set up.
static unsigned __stdcall ThreadMain(void* p) {
    SysThread* thread = static_cast<SysThread*>(p);
    thread->proc(thread->arg);
    return 0;
}

SysThread* SysThreadStart(SysThreadProc proc, void* arg) {
    SysThread* thread = new (std::nothrow) SysThread();
    if (!thread) return nullptr;
    thread->proc = proc;
    thread->arg = arg;
    uintptr_t handle = _beginthreadex(nullptr, 0, ThreadMain, thread, 0, nullptr);
    if (handle == 0) {
        delete thread;
        return nullptr;
    }
    thread->handle = reinterpret_cast<HANDLE>(handle);
    return thread;
}

int SysThreadJoin(SysThread* thread) {
    if (!thread) return 0;
    DWORD rc = WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    delete thread;
    return rc == WAIT_OBJECT_0 ? 1 : 0;
}

int SysThreadSetPriority(SysThreadPriority priority) {
    static const int kPriority[] = {THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_HIGHEST,
                                    THREAD_PRIORITY_TIME_CRITICAL};
    int index = priority >= kSysPriorityNormal && priority <= kSysPriorityTimeCritical ? priority : 0;
    return SetThreadPriority(GetCurrentThread(), kPriority[index]) ? 1 : 0;
}

void SysSleep(uint32_t ms) { Sleep(ms); }
