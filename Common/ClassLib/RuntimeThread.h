// Cooperative threads: every Thread runs on a system thread of its own, but
// only the holder of the one process-wide baton executes. The scheduler hands
// the baton on by weighted round-robin at the points where a thread yields.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>

#include "Common/Linux/ThreadsUnix.h"
#include "Common/objects.h"

/// Bits of ThreadRecord::stateFlags.
enum ThreadStateFlag : uint32_t {
    kThreadSuspended = 1u << 0,
    kThreadSleeping = 1u << 1,
    kThreadWaiting = 1u << 2,
    kThreadFinished = 1u << 3,
};

/// Values of Thread.State.
enum ThreadState : int32_t {
    kThreadStateRunning = 0,
    kThreadStateWaiting = 1,
    kThreadStateSuspended = 2,
    kThreadStateSleeping = 3,
    kThreadStateNotRunning = 4,
};

/// One running thread, or the main thread's static record. Touched only by
/// the holder of the baton.
struct ThreadRecord {
    ThreadRecord* next;       // live threads, newest first
    SystemThread systemThread;
    uintptr_t stackLimit;
    uintptr_t stackTop;
    RuntimeObject* owner;     // the Thread object; nil for the main thread
    int32_t blockCount;       // suspensions and lock waits; 0: may run
    uint32_t wakeTime;        // milliseconds clock
    uint32_t sleepStart;      // milliseconds clock
    int32_t priority;         // entries held in the run table
    bool wakeEarly;
    uint32_t stateFlags;      // ThreadStateFlag bits
    bool dead;
    bool killRequested;
    ThreadRecord* nextWaiter;        // queue of the lock this thread waits for
    std::condition_variable turn;    // told when the baton is handed to this thread
};

/// The fields of a Thread object after the object header.
struct ThreadFields {
    ThreadRecord* record;  // nil while not running
    int32_t stackSize;     // 0 or less reads as 65,536
    int32_t priority;      // 5 when made
};

/// Event slot of Thread.Run; its handler is `void (*)(RuntimeObject* thread)`.
inline constexpr int32_t kThreadEventRun = 0;
using ThreadRunHandler = void (*)(RuntimeObject* thread);

/// The Thread class, built on first use.
RuntimeClass* ThreadClass();

/// The scheduler's milliseconds clock: 60 Hz ticks times 1000/60, plus 2^31, modulo 2^32.
uint32_t ThreadMillisecondsClock();
/// Makes the calling system thread's record the main thread's and gives it the
/// baton (once). Done on first use, by the thread that makes the first Thread
/// or takes the first lock: until then the runtime runs on one system thread.
void RuntimeInitMainThread();
/// The record holding the baton (the main thread's when no other runs).
ThreadRecord* RuntimeCurrentThreadRecord();
/// When a kill of the calling thread that arrived during a yield ends it.
enum class KillDelivery {
    Now,          // the yield raises ThreadEndException
    AtNextYield,  // the kill stays requested: for callers that must not raise
};
/// Gives the baton to the scheduler's next choice and takes it back; a kill
/// that arrived meanwhile is delivered as `delivery` says.
void RuntimeYieldBaton(KillDelivery delivery = KillDelivery::Now);
/// ConsoleApplication.YieldToNextThread: the baton to the next thread; nothing before the main thread's record exists.
void RuntimeYieldToNextThread();
/// Ends every running thread but the calling one (the application is quitting).
void RuntimeKillOtherThreads();
/// Sleeps the calling thread for `milliseconds`, letting other threads run meanwhile.
void RuntimeSleepCurrentThread(int32_t milliseconds);
/// Number of threads that have started and not finished, the main thread included.
int32_t RuntimeLiveThreadCount();

extern "C" {
/// Thread.Run: starts the thread; ThreadAlreadyRunningException when it runs already.
void threadRun(RuntimeObject* thread);
/// Thread.Sleep: sleeps `milliseconds`; with `wakeEarly` the scheduler may end the sleep early.
void ThreadSleep(RuntimeObject* thread, int32_t milliseconds, bool wakeEarly);
/// Thread.Suspend: one more reason not to run; a running thread that suspends itself yields.
void ThreadSuspend(RuntimeObject* thread);
/// Thread.Resume: one reason fewer not to run; ends a sleep.
void ThreadResume(RuntimeObject* thread);
/// Thread.Kill: ends the thread; returns once it is gone (or raises ThreadEndException in itself).
void ThreadKill(RuntimeObject* thread);
/// Thread.State: a ThreadState value.
int32_t ThreadGetState(RuntimeObject* thread);
int32_t ThreadGetPriority(RuntimeObject* thread);
/// Thread.Priority: ignored for 0 or less; a running thread gains or loses run-table entries.
void ThreadSetPriority(RuntimeObject* thread, int32_t priority);
int32_t ThreadGetStackSize(RuntimeObject* thread);
/// Thread.StackSize: ThreadAlreadyRunningException while the thread runs.
void ThreadSetStackSize(RuntimeObject* thread, int32_t stackSize);
/// Thread.ThreadID: the identity of the thread's record; 0 while it is not running.
intptr_t ThreadGetID(RuntimeObject* thread);
/// The current Thread object with one reference for the caller; nil on the main thread.
RuntimeObject* VELQGetCurrentThread();
/// Constructor of Thread: priority 5.
void ThreadInitializer(RuntimeObject* thread);
}
