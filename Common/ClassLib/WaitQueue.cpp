#include "Common/ClassLib/WaitQueue.h"

void EnqueueCurrentThread(WaitQueue& queue) {
    ThreadRecord* me = RuntimeCurrentThreadRecord();
    me->nextWaiter = nullptr;
    if (queue.tail) queue.tail->nextWaiter = me;
    else queue.head = me;
    queue.tail = me;
    ++me->blockCount;
    me->stateFlags |= kThreadWaiting;
}

void FinishWait() { RuntimeCurrentThreadRecord()->stateFlags &= ~kThreadWaiting; }

bool RemoveWaiter(WaitQueue& queue, ThreadRecord* record) {
    ThreadRecord* previous = nullptr;
    for (ThreadRecord* t = queue.head; t; previous = t, t = t->nextWaiter) {
        if (t != record) continue;
        (previous ? previous->nextWaiter : queue.head) = t->nextWaiter;
        if (queue.tail == t) queue.tail = previous;
        t->nextWaiter = nullptr;
        return true;
    }
    return false;
}

ThreadRecord* ReleaseFirstWaiter(WaitQueue& queue) {
    ThreadRecord* first = queue.head;
    if (!first) return nullptr;
    RemoveWaiter(queue, first);
    if (first->blockCount > 0) --first->blockCount;
    return first;
}
