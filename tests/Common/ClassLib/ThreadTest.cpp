#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Common/ClassLib/ThreadTestSupport.h"
#include "Common/ClassLib/CriticalSection.h"
#include "Common/ClassLib/ScopedThread.h"
#include "Common/ClassLib/Semaphore.h"
#include "Common/ConsoleApplication.h"
#include "Common/exceptions.h"
#include "Universal/VELQstring.h"

namespace {

class ThreadTest : public testing::Test {
protected:
    void SetUp() override { WarmUpThreadClasses(); }
};

TEST_F(ThreadTest, OnlyTheMainThreadYieldsAtOnce) {
    RuntimeInitMainThread();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10000; ++i) rt::Thread::yield();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(rt::Thread::current());
    EXPECT_EQ(RuntimeLiveThreadCount(), 1);
}

// The main thread holds 5 entries, the workers 5 and 10: every full round of
// the table gives the workers 5 and 10 turns.
TEST_F(ThreadTest, PrioritiesShareTurnsByWeight) {
    bool stop = false;
    int turns[2] = {0, 0};
    std::vector<rt::Thread> workers;
    for (int i = 0; i < 2; ++i) {
        workers.push_back(rt::Thread::make([&stop, &turns, i] {
            while (!stop) {
                ++turns[i];
                rt::Thread::yield();
            }
        }));
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
        uint32_t slept = 0;
        rt::Thread sleeper = rt::Thread::make([&] {
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

// The owner's going ends a thread still running, and leaves alone one a kill
// ended already; a copy of the handle ends nothing.
TEST_F(ThreadTest, KillOrTheOwnersGoingEndsASleepingThread) {
    for (bool byOwner : {false, true}) {
        SCOPED_TRACE(byOwner ? "the owner goes" : "kill");
        bool wokeUp = false;
        rt::Thread sleeper = rt::Thread::make([&] {
            rt::Thread::current().sleep(60000);
            wokeUp = true;
        });
        {
            rt::ScopedThread owner(sleeper);
            sleeper.run();
            { rt::Thread copy = sleeper; }
            EXPECT_EQ(sleeper.state(), kThreadStateSleeping);
            if (!byOwner) sleeper.kill();
        }
        EXPECT_EQ(sleeper.state(), kThreadStateNotRunning);
        EXPECT_FALSE(wokeUp);
        EXPECT_EQ(RuntimeLiveThreadCount(), 1);
    }
}

// A kill ends a thread once: the cleanup on its way out may still yield.
TEST_F(ThreadTest, AKilledThreadsCleanupMayYieldOnItsWayOut) {
    std::vector<std::string> steps;
    rt::Thread worker = rt::Thread::make([&] {
        try {
            rt::Thread::current().sleep(60000);
        } catch (const rt::RaisedException& raised) {
            steps.push_back(raised.is(ExceptionKind::ThreadEndException) ? "ended" : "something else");
            rt::Thread::yield();
            steps.push_back("cleaned up");
            throw;
        }
    });
    worker.run();
    worker.kill();
    EXPECT_EQ(steps, (std::vector<std::string>{"ended", "cleaned up"}));
    EXPECT_EQ(RuntimeLiveThreadCount(), 1);
}

TEST_F(ThreadTest, MisuseWhileRunningRaises) {
    rt::Thread thread = rt::Thread::make([] { rt::Thread::current().suspend(); });
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
            if (attempt == 0) {
                EXPECT_EQ(std::string(StringBytes(raised.message()), StringLength(raised.message())),
                          "You cannot call Run on a thread that is already running.");
            }
        }
    }
    thread.resume();
    YieldUntilFinished(thread);
    EXPECT_EQ(thread.stackSize(), 65536);
}

// Recurses until the stack check raises; the depth reached, or -1 when it never did.
int RecurseUntilOverflow(int depth) {
    volatile char frame[1024];
    frame[0] = char(depth);
    try {
        RuntimeStackCheck();
    } catch (const rt::RaisedException& raised) {
        return raised.is(ExceptionKind::StackOverflowException) ? depth : -1;
    }
    if (depth > 100000) return -1;
    int reached = RecurseUntilOverflow(depth + 1);
    // Reading the frame after the call keeps it on the stack during the call.
    return frame[0] == char(depth) ? reached : -1;
}

// The check of a thread measures against the thread's own stack size, and
// raises well before the system stack runs out.
TEST_F(ThreadTest, StackCheckFollowsTheThreadsStackSize) {
    struct Row {
        int32_t stackSize;
        int minDepth, maxDepth;  // 1 KiB frames or more, less the check's 8 KiB margin
    };
    const Row rows[] = {{65536, 10, 56}, {0, 10, 56}, {262144, 100, 248}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stackSize);
        int depth = -1;
        rt::Thread thread = rt::Thread::make([&] { depth = RecurseUntilOverflow(0); });
        thread.setStackSize(row.stackSize);
        thread.run();
        YieldUntilFinished(thread);
        EXPECT_GE(depth, row.minDepth);
        EXPECT_LE(depth, row.maxDepth);
    }
}

// Quitting ends the threads still running (unwinding them) before the quit goes on.
TEST_F(ThreadTest, QuitEndsRunningThreads) {
    ChildResult result = RunInChild([] {
        struct Unwound {
            ~Unwound() { std::puts("worker unwound"); }
        };
        rt::Thread worker = rt::Thread::make([] {
            Unwound unwound;
            rt::Thread::current().sleep(60000);
            std::puts("worker woke up");
        });
        worker.run();
        try {
            ApplicationQuit(0, true);
        } catch (const rt::RaisedException& raised) {
            std::printf("quit raised %s, %d thread(s) left\n",
                        raised.is(ExceptionKind::EndException) ? "EndException" : "something else",
                        int(RuntimeLiveThreadCount()));
        }
    });
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "worker unwound\nquit raised EndException, 1 thread(s) left\n");
}

// An exception a thread's Run leaves unhandled ends the whole process as one
// escaping the main thread does, at once; without an application object to
// give an exit code the status is 1.
TEST_F(ThreadTest, UnhandledExceptionInAThreadEndsTheProcess) {
    ChildResult result = RunInChild([] {
        rt::Thread worker = rt::Thread::make([] { RaiseNilObjectException(); });
        worker.run();
        YieldUntilFinished(worker);
        std::puts("main thread went on");
    });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output.find("main thread went on"), std::string::npos) << result.output;
}

// Threads that can never run again are reported, and the process ends with
// status 1 instead of going on or hanging.
TEST_F(ThreadTest, DeadlockIsReportedAndEndsTheProcess) {
    struct Row {
        const char* name;
        void (*scenario)();
    };
    const Row rows[] = {
        // Each waits for the section the other holds while the main thread waits on a semaphore.
        {"two threads crossing locks", [] {
             rt::CriticalSection first = rt::CriticalSection::make(), second = rt::CriticalSection::make();
             auto crossing = [](const rt::CriticalSection& a, const rt::CriticalSection& b) {
                 return rt::Thread::make([&a, &b] {
                     a.enter();
                     rt::Thread::current().sleep(50);
                     b.enter();
                 });
             };
             rt::Thread one = crossing(first, second), two = crossing(second, first);
             one.run();
             two.run();
             rt::Semaphore gate = rt::Semaphore::make(1);
             gate.signal();
             gate.signal();
         }},
        {"lone thread waiting for itself", [] {
             rt::Semaphore gate = rt::Semaphore::make(1);
             gate.signal();
             gate.signal();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ChildResult result = RunInChild([&] {
            row.scenario();
            std::puts("main thread went on");
        });
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.output.find("Infinite loop detected in the thread scheduler.  This is likely caused by "
                                     "incorrectly locking resources with semaphores or critical sections."),
                  std::string::npos)
            << result.output;
        EXPECT_EQ(result.output.find("main thread went on"), std::string::npos);
    }
}

} // namespace
