// Two worker threads add into one total under a critical section, giving each
// other turns as they go, while a single-shot timer fires once from the main
// thread's DoEvents calls. Only one thread ever runs at a time; the lock still
// matters, because a worker yields in the middle of its update.
#include <cstdio>

#include "Common/ClassLib/CriticalSection.h"
#include "Common/ClassLib/Thread.h"
#include "Common/ClassLib/Timer.h"
#include "Common/runtimemainloop.h"

namespace {

constexpr int kCount = 1000;

class Adder : public rt::Thread {
public:
    Adder(const rt::CriticalSection& lock, long& total) : rt::Thread(Subclass{}), lock_(lock), total_(total) {}

protected:
    void Run() override {
        for (int i = 1; i <= kCount; ++i) {
            rt::CriticalSection::Guard held(lock_);
            long before = total_;
            rt::Thread::yield();  // the other worker gets a turn, but not the lock
            total_ = before + i;
        }
    }

private:
    const rt::CriticalSection& lock_;
    long& total_;
};

} // namespace

int main() {
    RuntimeInitMainThread();
    rt::CriticalSection lock = rt::CriticalSection::make();
    long total = 0;
    int firings = 0;
    rt::Timer timer = rt::Timer::make([&] { ++firings; });
    timer.setPeriod(50);
    timer.setMode(kTimerSingle);

    Adder first(lock, total), second(lock, total);
    first.run();
    second.run();
    while (first.state() != kThreadStateNotRunning || second.state() != kThreadStateNotRunning || firings == 0)
        RuntimeDoEvents(nullptr, 5);

    std::printf("total %ld (expected %ld)\n", total, 2L * kCount * (kCount + 1) / 2);
    std::printf("timer fired %d time(s), mode now %d\n", firings, timer.mode());
    return total == 2L * kCount * (kCount + 1) / 2 && firings == 1 ? 0 : 1;
}
