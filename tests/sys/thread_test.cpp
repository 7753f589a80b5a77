#include "sys/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "tests/meter/engine_test_support.h"

namespace {

TEST(SysEvent, ManualResetStaysSetUntilReset) {
    metertest::Watchdog watchdog(20);
    SysEvent* e = SysEventCreate();
    ASSERT_NE(nullptr, e);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, SysEventWait(e, 50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
    const struct {
        void (*action)(SysEvent*);
        int wait;
    } steps[] = {{SysEventSet, 1}, {nullptr, 1}, {SysEventReset, 0}};
    for (const auto& s : steps) {
        if (s.action) s.action(e);
        EXPECT_EQ(s.wait, SysEventWait(e, 10));
    }
    SysEventClose(e);
}

struct Shared {
    SysEvent* go;
    SysLock lock;
    std::atomic<int> woken{0};
    int counter = 0;
};

void Worker(void* arg) {
    Shared* s = static_cast<Shared*>(arg);
    SysThreadSetPriority(kSysPriorityHighest);
    SysEventWait(s->go, kSysWaitForever);
    s->woken.fetch_add(1);
    for (int i = 0; i < 10000; ++i) {
        SysLockEnter(&s->lock);
        SysLockEnter(&s->lock);
        ++s->counter;
        SysLockLeave(&s->lock);
        SysLockLeave(&s->lock);
    }
}

TEST(SysThread, SetWakesEveryWaiterAndTheLockExcludes) {
    metertest::Watchdog watchdog(20);
    Shared s;
    s.go = SysEventCreate();
    ASSERT_EQ(1, SysLockInit(&s.lock));
    SysThread* threads[3];
    for (SysThread*& t : threads) ASSERT_NE(nullptr, t = SysThreadStart(Worker, &s));
    SysEventSet(s.go);
    for (SysThread* t : threads) EXPECT_EQ(1, SysThreadJoin(t));
    EXPECT_EQ(3, s.woken.load());
    EXPECT_EQ(30000, s.counter);
    SysLockDelete(&s.lock);
    SysEventClose(s.go);
}

} // namespace
