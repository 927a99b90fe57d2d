#include "Common/ClassLib/RuntimeThread.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "Common/ClassLib/BackgroundWork.h"
#include "Common/ClassLib/RunTable.h"
#include "Common/Linux/ProcessControl.h"
#include "Common/ConsoleApplication.h"
#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Universal/DateImp/Clocks.h"
#include "Universal/VELQstring.h"

namespace {

constexpr const char* kModule = "RuntimeThread";
constexpr int32_t kDefaultStackSize = 65536;
constexpr int32_t kMainThreadPriority = 5;
constexpr int32_t kDefaultPriority = 5;
// The system stack is larger than the stack size the check allows for, so that
// the runtime's own C++ frames (and a sanitizer's) fit below the limit.
constexpr size_t kSystemStackHeadroom = size_t(1) << 20;

// The baton: held by exactly one thread, the current one. Every variable of
// this module, and the whole object and string heap, is touched only under it.
std::mutex gBaton;
ThreadRecord* sCurrentThread = nullptr;
ThreadRecord* gLiveThreads = nullptr;  // newest first
int32_t gLiveCount = 0;
ThreadRecord* sDeadThreadList = nullptr;  // finished, waiting to be destroyed
RunTable gRunTable;

enum class Blocking { No, Yes };

ThreadRecord& mainRecord() {
    static ThreadRecord record{};
    return record;
}

ThreadFields* fields(RuntimeObject* thread) {
    if (!thread) RaiseNilObjectException();
    return ObjectFields<ThreadFields>(thread);
}

int32_t effectiveStackSize(const ThreadFields* f) { return f->stackSize <= 0 ? kDefaultStackSize : f->stackSize; }

bool isAwake(const ThreadRecord* t, uint32_t now) { return now >= t->wakeTime || now < t->sleepStart; }

bool noThreadCanRun() {
    for (ThreadRecord* t = gLiveThreads; t; t = t->next)
        if (t->blockCount <= 0) return false;
    return true;
}

// Sleeps, baton in hand, until the first sleeping thread is due; nothing else
// could run meanwhile.
void sleepUntilEarliestWake(uint32_t now) {
    uint32_t earliest = UINT32_MAX;
    for (ThreadRecord* t = gLiveThreads; t; t = t->next) {
        if (t->blockCount > 0) continue;
        if (isAwake(t, now)) return;
        uint32_t due = t->wakeTime - now;
        if (due < earliest) earliest = due;
    }
    if (earliest != UINT32_MAX) SleepMilliseconds(earliest);
}

void reportDeadlock() {
    RUNTIME_ASSERT_FAILED(kModule, "false",
                          "Infinite loop detected in the thread scheduler.  This is likely caused by "
                          "incorrectly locking resources with semaphores or critical sections.");
}

// The weighted round-robin choice of the thread to hold the baton next; nil
// when every live thread is blocked (after the report). That includes a lone
// thread waiting for a lock: nothing is left that could let it go.
ThreadRecord* chooseNextThread(Blocking blocking) {
    if (noThreadCanRun()) {
        reportDeadlock();
        return nullptr;
    }
    if (gLiveCount <= 1) {
        // Only a sleep can hold the lone thread up; the clock is read only then.
        ThreadRecord& main = mainRecord();
        if (blocking == Blocking::Yes && (main.stateFlags & kThreadSleeping)) {
            uint32_t now = ThreadMillisecondsClock();
            if (!isAwake(&main, now)) SleepMilliseconds(main.wakeTime - now);
        }
        main.stateFlags &= ~kThreadSleeping;
        return &main;
    }
    for (;;) {
        uint32_t now = ThreadMillisecondsClock();
        int32_t choice = -1, fallback = -1, preferred = -1;
        for (int32_t i = 0; i < gRunTable.size(); ++i) {
            const RunEntry& entry = gRunTable[i];
            const ThreadRecord* t = entry.thread;
            if (t->blockCount > 0) continue;
            if (isAwake(t, now)) {
                if (!entry.visited) {
                    choice = i;
                    break;
                }
                if (fallback < 0) fallback = i;
            } else if (!entry.visited && t->wakeEarly && preferred < 0) {
                preferred = i;
            }
        }
        if (preferred >= 0) choice = preferred;
        if (choice < 0) {
            gRunTable.clearVisited();
            if (fallback >= 0) {
                choice = fallback;
            } else if (blocking == Blocking::No) {
                return nullptr;
            } else {
                sleepUntilEarliestWake(now);
                continue;
            }
        }
        RunEntry& chosen = gRunTable[choice];
        chosen.visited = true;
        chosen.thread->stateFlags = 0;
        return chosen.thread;
    }
}

// No thread can ever run again: nothing would take the baton, so the process
// ends rather than hang without a word (the report has been given).
[[noreturn]] void endDeadlockedProcess() {
    std::fflush(nullptr);
    EndProcessAtOnce(1);
}

ThreadRecord* chooseNextOrEnd() {
    ThreadRecord* next = chooseNextThread(Blocking::Yes);
    if (!next) endDeadlockedProcess();
    return next;
}

void handOver(ThreadRecord* next) {
    sCurrentThread = next;
    next->turn.notify_one();
}

// Releases the baton until the scheduler has made `me` current, then holds it again.
void waitForTurn(ThreadRecord* me) {
    std::unique_lock<std::mutex> baton(gBaton, std::adopt_lock);
    me->turn.wait(baton, [me] { return sCurrentThread == me; });
    baton.release();
}

void destroyFinishedThreads() {
    while (ThreadRecord* dead = sDeadThreadList) {
        if (!RUNTIME_CHECK(kModule, sDeadThreadList != sCurrentThread, nullptr)) return;
        sDeadThreadList = dead->next;
        // The system thread gave the baton away as its last act; it only has to leave.
        JoinSystemThread(dead->systemThread);
        delete dead;
    }
}

void unlinkLiveThread(ThreadRecord* record) {
    for (ThreadRecord** link = &gLiveThreads; *link; link = &(*link)->next) {
        if (*link != record) continue;
        *link = record->next;
        --gLiveCount;
        return;
    }
}

// Detaches a thread whose Run has returned from its object and the run table.
void detachFromObject(ThreadRecord* me) {
    RuntimeObject* owner = me->owner;
    gRunTable.remove(me, me->priority);
    ObjectFields<ThreadFields>(owner)->record = nullptr;
    me->owner = nullptr;
    RuntimeUnlockObject(owner);
}

// The last steps of a system thread: off the live list, onto the dead one,
// and the baton to the next thread.
void finishThread(ThreadRecord* me) {
    unlinkLiveThread(me);
    me->dead = true;
    me->stateFlags |= kThreadFinished;
    me->next = sDeadThreadList;
    sDeadThreadList = me;
    RuntimeUpdateBackgroundWork();
    handOver(chooseNextOrEnd());
    gBaton.unlock();
}

// An exception that the thread's Run left unhandled ends the process, as one
// escaping the main thread's Run does. It ends at once: a normal exit from this
// thread would tear down statics that the waiting threads still use.
[[noreturn]] void endAfterUnhandledException(RuntimeObject* exc) {
    int32_t code = RuntimeFinishUnhandled(exc);
    std::fflush(nullptr);
    EndProcessAtOnce(code);
}

void* threadMain(void* argument) {
    auto* me = static_cast<ThreadRecord*>(argument);
    gBaton.lock();
    waitForTurn(me);
    char stackTop;
    auto stackSize = size_t(effectiveStackSize(ObjectFields<ThreadFields>(me->owner)));
    me->stackTop = reinterpret_cast<uintptr_t>(&stackTop);
    me->stackLimit = me->stackTop - stackSize;
    RuntimeInitStackLimit(&stackTop, stackSize);
    RuntimeObject* owner = me->owner;
    auto run = reinterpret_cast<ThreadRunHandler>(RuntimeFindEventHandler(owner, kThreadEventRun));
    // A thread killed before its first turn never runs.
    if (run && !std::exchange(me->killRequested, false)) {
        try {
            run(owner);
        } catch (const rt::RaisedException& raised) {
            if (!raised.is(ExceptionKind::ThreadEndException)) endAfterUnhandledException(raised.object());
        }
    }
    detachFromObject(me);
    finishThread(me);
    return nullptr;
}

// Undoes a start whose system thread could not be made.
void abandonStart(ThreadRecord* record) {
    unlinkLiveThread(record);
    detachFromObject(record);
    delete record;
    RuntimeUpdateBackgroundWork();
}

const MethodDefinition kThreadEvents[] = {
    {"Run%%o<Thread>", nullptr},
};

const MethodDefinition kThreadMethods[] = {
    {"Run%%o<Thread>", reinterpret_cast<void*>(&threadRun)},
    {"Sleep%%o<Thread>i4b", reinterpret_cast<void*>(&ThreadSleep)},
    {"Suspend%%o<Thread>", reinterpret_cast<void*>(&ThreadSuspend)},
    {"Resume%%o<Thread>", reinterpret_cast<void*>(&ThreadResume)},
    {"Kill%%o<Thread>", reinterpret_cast<void*>(&ThreadKill)},
    {"State%i4%o<Thread>", reinterpret_cast<void*>(&ThreadGetState)},
    {"Priority%i4%o<Thread>", reinterpret_cast<void*>(&ThreadGetPriority)},
    {"=Priority%%o<Thread>i4", reinterpret_cast<void*>(&ThreadSetPriority)},
    {"StackSize%i4%o<Thread>", reinterpret_cast<void*>(&ThreadGetStackSize)},
    {"=StackSize%%o<Thread>i4", reinterpret_cast<void*>(&ThreadSetStackSize)},
    {"ThreadID%i4%o<Thread>", reinterpret_cast<void*>(&ThreadGetID)},
};

} // namespace

RuntimeClass* ThreadClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "Thread",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(ThreadFields)),
        .initializer = &ThreadInitializer,
        .methods = kThreadMethods,
        .events = kThreadEvents,
    });
    return c;
}

uint32_t ThreadMillisecondsClock() {
    return uint32_t(int64_t(RuntimeTicks()) * 50 / 3) + 0x80000000u;
}

void RuntimeInitMainThread() {
    if (sCurrentThread) return;
    ThreadRecord& main = mainRecord();
    main.systemThread = CurrentSystemThread();
    main.priority = kMainThreadPriority;
    gLiveThreads = &main;
    gLiveCount = 1;
    gRunTable.insert(&main, kMainThreadPriority);
    gBaton.lock();
    sCurrentThread = &main;
}

ThreadRecord* RuntimeCurrentThreadRecord() {
    RuntimeInitMainThread();
    return sCurrentThread;
}

int32_t RuntimeLiveThreadCount() { return gLiveCount; }

void RuntimeYieldBaton(KillDelivery delivery) {
    ThreadRecord* me = sCurrentThread;
    if (!RUNTIME_CHECK(kModule, sCurrentThread, nullptr)) return;
    if (!IsCurrentSystemThread(me->systemThread)) {
        RUNTIME_ASSERT_FAILED(kModule, "pthread_equal( current, sCurrentThread->mThreadID )", nullptr);
        return;
    }
    ThreadRecord* next = chooseNextOrEnd();
    if (next != me) {
        handOver(next);
        waitForTurn(me);
    }
    if (me->killRequested && delivery == KillDelivery::Now) {
        // Cleared so that code yielding while the exception unwinds is not ended twice.
        me->killRequested = false;
        RuntimeRaiseNew(ExceptionKind::ThreadEndException);
    }
    destroyFinishedThreads();
}

void RuntimeKillOtherThreads() {
    if (!sCurrentThread) return;
    for (;;) {
        ThreadRecord* victim = gLiveThreads;
        while (victim && (!victim->owner || victim == sCurrentThread)) victim = victim->next;
        if (!victim) return;
        ThreadKill(victim->owner);
    }
}

void RuntimeSleepCurrentThread(int32_t milliseconds) {
    ThreadRecord* me = RuntimeCurrentThreadRecord();
    uint32_t now = ThreadMillisecondsClock();
    me->wakeTime = now + uint32_t(milliseconds);
    me->sleepStart = now;
    me->wakeEarly = false;
    me->stateFlags |= kThreadSleeping;
    RuntimeYieldBaton();
}

extern "C" void ThreadInitializer(RuntimeObject* thread) { fields(thread)->priority = kDefaultPriority; }

extern "C" void threadRun(RuntimeObject* thread) {
    ThreadFields* f = fields(thread);
    if (f->record) RuntimeRaiseMessage(ExceptionKind::ThreadAlreadyRunningException,
                            "You cannot call Run on a thread that is already running.");
    ThreadRecord* current = RuntimeCurrentThreadRecord();
    current->wakeTime = ThreadMillisecondsClock() - 1;

    auto* record = new ThreadRecord{};
    record->next = gLiveThreads;
    gLiveThreads = record;
    ++gLiveCount;
    record->owner = thread;
    f->record = record;
    record->priority = f->priority;
    gRunTable.insert(record, record->priority);
    RuntimeLockObject(thread);
    RuntimeUpdateBackgroundWork();

    ErrorOr<SystemThread> started =
        StartSystemThread(&threadMain, record, size_t(effectiveStackSize(f)) + kSystemStackHeadroom);
    if (!started) {
        RUNTIME_ASSERT_FAILED(kModule, "0 == err", nullptr);
        abandonStart(record);
        return;
    }
    // The new thread reads its identity only once it holds the baton, after this.
    record->systemThread = started.value();
    RuntimeYieldBaton();
}

extern "C" void ThreadSleep(RuntimeObject* thread, int32_t milliseconds, bool wakeEarly) {
    ThreadRecord* record = fields(thread)->record;
    if (!record) return;
    uint32_t now = ThreadMillisecondsClock();
    record->wakeTime = now + uint32_t(milliseconds);
    record->sleepStart = now;
    record->wakeEarly = wakeEarly;
    record->stateFlags |= kThreadSleeping;
    if (record == sCurrentThread) RuntimeYieldBaton();
}

extern "C" void ThreadSuspend(RuntimeObject* thread) {
    ThreadRecord* record = fields(thread)->record;
    if (!record) return;
    ++record->blockCount;
    record->stateFlags |= kThreadSuspended;
    if (record == sCurrentThread) RuntimeYieldBaton();
}

extern "C" void ThreadResume(RuntimeObject* thread) {
    ThreadRecord* record = fields(thread)->record;
    if (!record) return;
    if (record->blockCount > 0) --record->blockCount;
    record->stateFlags &= ~(kThreadSuspended | kThreadSleeping);
    record->wakeTime = record->sleepStart = ThreadMillisecondsClock() - 1;
}

extern "C" void ThreadKill(RuntimeObject* thread) {
    ThreadRecord* record = fields(thread)->record;
    if (!record) return;
    record->blockCount = 0;
    record->wakeTime = record->sleepStart = ThreadMillisecondsClock() - 1;
    if (record == sCurrentThread) RuntimeRaiseNew(ExceptionKind::ThreadEndException);
    record->killRequested = true;
    ThreadResume(thread);
    RuntimeLockObject(thread);  // the thread lets its own reference go as it ends
    while (fields(thread)->record == record) RuntimeYieldBaton();
    RuntimeUnlockObject(thread);
}

extern "C" int32_t ThreadGetState(RuntimeObject* thread) {
    const ThreadRecord* record = fields(thread)->record;
    if (!record) return kThreadStateNotRunning;
    if (record->stateFlags & kThreadWaiting) return kThreadStateWaiting;
    if (record->stateFlags & kThreadSuspended) return kThreadStateSuspended;
    if (record->stateFlags & kThreadSleeping) return kThreadStateSleeping;
    return kThreadStateRunning;
}

extern "C" int32_t ThreadGetPriority(RuntimeObject* thread) { return fields(thread)->priority; }

extern "C" void ThreadSetPriority(RuntimeObject* thread, int32_t priority) {
    if (priority <= 0) return;
    ThreadFields* f = fields(thread);
    int32_t old = f->priority;
    f->priority = priority;
    ThreadRecord* record = f->record;
    if (!record) return;
    if (priority > old) gRunTable.insert(record, priority - old);
    else gRunTable.remove(record, old - priority);
    record->priority = priority;
}

extern "C" int32_t ThreadGetStackSize(RuntimeObject* thread) { return effectiveStackSize(fields(thread)); }

extern "C" void ThreadSetStackSize(RuntimeObject* thread, int32_t stackSize) {
    ThreadFields* f = fields(thread);
    if (f->record) RuntimeRaiseNew(ExceptionKind::ThreadAlreadyRunningException);
    f->stackSize = stackSize;
}

extern "C" intptr_t ThreadGetID(RuntimeObject* thread) {
    return reinterpret_cast<intptr_t>(fields(thread)->record);
}

extern "C" RuntimeObject* VELQGetCurrentThread() {
    if (!sCurrentThread) return nullptr;
    RuntimeLockObject(sCurrentThread->owner);
    return sCurrentThread->owner;
}

void RuntimeYieldToNextThread() {
    if (sCurrentThread) RuntimeYieldBaton();
}
