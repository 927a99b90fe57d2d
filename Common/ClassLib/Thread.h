// rt::Thread: an owning handle over a Thread object. A callable gives the
// thread its Run event; every operation is an entry point of RuntimeThread.
#pragma once
#include <functional>
#include <utility>

#include "Common/ClassLib/CallableEvent.h"
#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ConsoleApplication.h"
#include "Common/Ref.h"

namespace rt {

/// Whether a sleep may be cut short when the scheduler reaches the thread first.
enum class WakeEarly { No, Yes };

/// Owns one reference to a Thread object (or none).
class Thread : public ObjectHandle<Thread> {
public:
    using Handle::Handle;
    Thread() noexcept = default;
    /// A new thread object whose Run event calls `run` (not started).
    static Thread make(std::function<void()> run) {
        return adopt(NewCallableObject(callableClass(), std::move(run)));
    }

    /// The thread running this code; empty on the main thread.
    static Thread current() { return adopt(VELQGetCurrentThread()); }
    /// Gives the baton to the scheduler's next choice; returns at once when no other thread runs.
    static void yield() { YieldToNextThread(nullptr); }

    /// Starts the thread; ThreadAlreadyRunningException when it runs already.
    void run() const { threadRun(get()); }
    void sleep(int32_t milliseconds, WakeEarly wakeEarly = WakeEarly::No) const {
        ThreadSleep(get(), milliseconds, wakeEarly == WakeEarly::Yes);
    }
    void suspend() const { ThreadSuspend(get()); }
    void resume() const { ThreadResume(get()); }
    /// Ends the thread and returns once it has gone (raises ThreadEndException when it is the caller).
    void kill() const { ThreadKill(get()); }
    ThreadState state() const { return ThreadState(ThreadGetState(get())); }
    int32_t priority() const { return ThreadGetPriority(get()); }
    void setPriority(int32_t priority) const { ThreadSetPriority(get(), priority); }
    int32_t stackSize() const { return ThreadGetStackSize(get()); }
    void setStackSize(int32_t bytes) const { ThreadSetStackSize(get(), bytes); }

private:
    static RuntimeClass* callableClass() {
        static RuntimeClass* c = DefineCallableSubclass("CallableThread", ThreadClass(), kThreadEventRun);
        return c;
    }
};

} // namespace rt
