#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "Common/ClassLib/ThreadTestSupport.h"
#include "Common/ClassLib/CriticalSection.h"
#include "Common/ClassLib/Semaphore.h"
#include "Common/exceptions.h"
#include "Universal/VELQstring.h"
#include "support/RuntimeLeakGuard.h"

namespace {

class ThreadTest : public testing::Test {
protected:
    void SetUp() override { WarmUpThreadClasses(); }
};

TEST_F(ThreadTest, OnlyTheMainThreadYieldsAtOnce) {
    RuntimeInitMainThread();
    RuntimeLeakGuard guard;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10000; ++i) rt::Thread::yield();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(rt::Thread::current());
    EXPECT_EQ(RuntimeLiveThreadCount(), 1);
}

// The main thread holds 5 entries, the workers 5 and 10: every full round of
// the table gives the workers 5 and 10 turns.
TEST_F(ThreadTest, PrioritiesShareTurnsByWeight) {
    RuntimeLeakGuard guard;
    bool stop = false;
    int turns[2] = {0, 0};
    std::vector<rt::Thread> workers;
    for (int i = 0; i < 2; ++i) {
        workers.emplace_back([&stop, &turns, i] {
            while (!stop) {
                ++turns[i];
                rt::Thread::yield();
            }
        });
        workers.back().setPriority(i == 0 ? 5 : 10);
    }
    for (const rt::Thread& worker : workers) worker.run();
    turns[0] = turns[1] = 0;
    for (int i = 0; i < 5 * 40; ++i) rt::Thread::yield();  // 40 rounds of the main thread's 5 turns
    stop = true;
    for (const rt::Thread& worker : workers) YieldUntilFinished(worker);
    EXPECT_NEAR(turns[0], 200, 10);
    EXPECT_NEAR(turns[1], 400, 20);
}

TEST_F(ThreadTest, SleeperWaitsForItsTimeUnlessItMayWakeEarly) {
    struct Row {
        const char* name;
        rt::WakeEarly wakeEarly;
        bool sleepsFull;
    };
    const Row rows[] = {
        {"plain sleep", rt::WakeEarly::No, true},
        {"wake early, entry reached first", rt::WakeEarly::Yes, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RuntimeLeakGuard guard;
        uint32_t slept = 0;
        rt::Thread sleeper([&] {
            uint32_t start = ThreadMillisecondsClock();
            rt::Thread::current().sleep(100, row.wakeEarly);
            slept = ThreadMillisecondsClock() - start;
        });
        sleeper.run();
        YieldUntilFinished(sleeper);
        if (row.sleepsFull) EXPECT_GE(slept, 100u);
        else EXPECT_LT(slept, 100u);
    }
}

TEST_F(ThreadTest, KillEndsASleepingThread) {
    RuntimeLeakGuard guard;
    bool wokeUp = false;
    rt::Thread sleeper([&] {
        rt::Thread::current().sleep(60000);
        wokeUp = true;
    });
    sleeper.run();
    EXPECT_EQ(sleeper.state(), kThreadStateSleeping);
    sleeper.kill();
    EXPECT_EQ(sleeper.state(), kThreadStateNotRunning);
    EXPECT_FALSE(wokeUp);
    EXPECT_EQ(RuntimeLiveThreadCount(), 1);
}

TEST_F(ThreadTest, MisuseWhileRunningRaises) {
    RuntimeLeakGuard guard;
    rt::Thread thread([] { rt::Thread::current().suspend(); });
    thread.run();
    EXPECT_EQ(thread.state(), kThreadStateSuspended);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt == 0 ? "Run again" : "StackSize while running");
        try {
            if (attempt == 0) thread.run();
            else thread.setStackSize(1 << 20);
            ADD_FAILURE() << "no exception";
        } catch (const rt::RaisedException& raised) {
            EXPECT_TRUE(raised.is(ExceptionKind::ThreadAlreadyRunningException));
            if (attempt == 0)
                EXPECT_EQ(std::string(StringBytes(raised.message()), StringLength(raised.message())),
                          "You cannot call Run on a thread that is already running.");
        }
    }
    thread.resume();
    YieldUntilFinished(thread);
    EXPECT_EQ(thread.stackSize(), 65536);
}

// Each waits for the section the other holds while the main thread waits on a
// semaphore: nothing can run, so the process reports it and ends with status 1.
TEST_F(ThreadTest, DeadlockIsReportedAndEndsTheProcess) {
    ChildResult result = RunInChild([] {
        rt::CriticalSection first, second;
        auto crossing = [](const rt::CriticalSection& a, const rt::CriticalSection& b) {
            return rt::Thread([&a, &b] {
                a.enter();
                rt::Thread::current().sleep(50);
                b.enter();
            });
        };
        rt::Thread one = crossing(first, second), two = crossing(second, first);
        one.run();
        two.run();
        rt::Semaphore gate(1);
        gate.signal();
        gate.signal();
        std::puts("main thread went on");
    });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("Infinite loop detected in the thread scheduler.  This is likely caused by "
                                 "incorrectly locking resources with semaphores or critical sections."),
              std::string::npos)
        << result.output;
    EXPECT_EQ(result.output.find("main thread went on"), std::string::npos);
}

} // namespace
