#include "sys/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

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
    for (SysThread*& t : threads)
        ASSERT_NE(nullptr, t = SysThreadStart(Worker, &s));
    SysEventSet(s.go);
    for (SysThread* t : threads)
        EXPECT_EQ(1, SysThreadJoin(t));
    EXPECT_EQ(3, s.woken.load());
    EXPECT_EQ(30000, s.counter);
    SysLockDelete(&s.lock);
    SysEventClose(s.go);
}

// Three waiters share an event nobody of them resets; a sole waiter resets
// it itself and sleeps through the sets that do not yet satisfy it. Looks
// at the condition are counted: a wait that spun on a set event would look
// thousands of times.
TEST(SysEvent, WaitUntilSharedAndSole) {
    metertest::Watchdog watchdog(20);
    for (SysWaiters waiters : {kSysSharedWaiters, kSysSoleWaiter}) {
        SCOPED_TRACE(waiters);
        SysEvent* e = SysEventCreate();
        ASSERT_NE(nullptr, e);
        std::atomic<int> value{0}, looks{0}, done{0};
        const int need = waiters == kSysSoleWaiter ? 4 : 1; // sets before it holds
        auto wait = [&] {
            auto holds = [&] { return looks.fetch_add(1), value.load() >= need; };
            done.fetch_add(SysEventWaitUntil(e, holds, 5000, waiters));
        };
        std::vector<std::thread> threads;
        for (int i = 0; i < (waiters == kSysSoleWaiter ? 1 : 3); ++i)
            threads.emplace_back(wait);
        for (int i = 0; i < need; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            value.fetch_add(1);
            SysEventSet(e);
        }
        for (std::thread& t : threads)
            t.join();
        EXPECT_EQ(int(threads.size()), done.load());
        EXPECT_LT(looks.load(), 50);
        // Never true: the time limit ends the wait.
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(0, SysEventWaitUntil(
                         e, [] { return false; }, 30, kSysSoleWaiter));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
        SysEventClose(e);
    }
}

} // namespace
