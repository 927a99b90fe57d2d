// Two worker threads add into one total under a critical section, giving each
// other turns as they go, while a single-shot timer fires once from the main
// thread's DoEvents calls. Only one thread ever runs at a time; the lock still
// matters, because a worker yields in the middle of its update.
#include <cstdio>

#include "Common/ClassLib/CriticalSection.h"
#include "Common/ClassLib/ScopedThread.h"
#include "Common/ClassLib/Timer.h"
#include "Common/runtimemainloop.h"

namespace {

constexpr int kCount = 1000;

// A worker that adds 1..kCount into `total`; it ends when its owner goes.
rt::Thread adder(const rt::CriticalSection& lock, long& total) {
    return rt::Thread::make([&lock, &total] {
        for (int i = 1; i <= kCount; ++i) {
            rt::CriticalSection::Guard held(lock);
            long before = total;
            rt::Thread::yield();  // the other worker gets a turn, but not the lock
            total = before + i;
        }
    });
}

} // namespace

int main() {
    RuntimeInitMainThread();
    rt::CriticalSection lock = rt::CriticalSection::make();
    long total = 0;
    int firings = 0;
    rt::Timer timer = rt::Timer::make([&] { ++firings; });
    timer.setPeriod(50);
    timer.setMode(kTimerSingle);

    rt::ScopedThread first(adder(lock, total)), second(adder(lock, total));
    first->run();
    second->run();
    while (first->state() != kThreadStateNotRunning || second->state() != kThreadStateNotRunning || firings == 0)
        RuntimeDoEvents(nullptr, 5);

    std::printf("total %ld (expected %ld)\n", total, 2L * kCount * (kCount + 1) / 2);
    std::printf("timer fired %d time(s), mode now %d\n", firings, timer.mode());
    return total == 2L * kCount * (kCount + 1) / 2 && firings == 1 ? 0 : 1;
}
