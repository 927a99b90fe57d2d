// Queues of threads waiting for a lock, and the waiting itself.
#pragma once
#include <cstdint>

#include "Common/ClassLib/RuntimeThread.h"

/// Threads waiting for a lock, first come first served (linked through ThreadRecord::nextWaiter).
struct WaitQueue {
    ThreadRecord* head;
    ThreadRecord* tail;
};

/// What a waiter that ends while waiting owes the lock.
enum class WaitOutcome { StillQueued, Released };

/// Queues the current thread, blocks it and yields until a release lets it go.
/// When the thread is ended meanwhile, `abandon` is called with what it owes,
/// and the exception goes on.
template <typename Abandon>
void WaitInQueue(WaitQueue& queue, Abandon abandon);

/// Unblocks the first waiter; the waiter, or nil when none waits.
ThreadRecord* ReleaseFirstWaiter(WaitQueue& queue);
/// Takes `record` off the queue; false when it was not on it.
bool RemoveWaiter(WaitQueue& queue, ThreadRecord* record);

/// The halves of WaitInQueue around the yield: queue and block the current
/// thread; clear its waiting state once it has been let go.
void EnqueueCurrentThread(WaitQueue& queue);
void FinishWait();

template <typename Abandon>
void WaitInQueue(WaitQueue& queue, Abandon abandon) {
    EnqueueCurrentThread(queue);
    ThreadRecord* me = RuntimeCurrentThreadRecord();
    try {
        RuntimeYieldBaton();
    } catch (...) {
        me->stateFlags &= ~kThreadWaiting;
        abandon(RemoveWaiter(queue, me) ? WaitOutcome::StillQueued : WaitOutcome::Released);
        throw;
    }
    FinishWait();
}
