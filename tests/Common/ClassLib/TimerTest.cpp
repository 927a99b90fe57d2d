#include <gtest/gtest.h>

#include <time.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Common/ClassLib/ThreadTestSupport.h"
#include "Common/ClassLib/Timer.h"
#include "Common/runtimemainloop.h"
#include "Universal/DateImp/Clocks.h"

namespace {

class TimerTest : public testing::Test {
protected:
    void SetUp() override { WarmUpThreadClasses(); }
};

// Runs background passes through DoEvents until `done` holds, then `more`
// milliseconds on; gives up after 5 seconds.
void RunPassesUntil(const std::function<bool()>& done, int32_t more) {
    int32_t start = TimerMillisecondsClock();
    while (!done() && TimerMillisecondsClock() - start < 5000) RuntimeDoEvents(nullptr, 2);
    int32_t doneAt = TimerMillisecondsClock();
    while (TimerMillisecondsClock() - doneAt < more) RuntimeDoEvents(nullptr, 2);
}

// Waits for the timer clock to move, then runs one pass.
void RunOnePass() {
    int32_t start = TimerMillisecondsClock();
    while (TimerMillisecondsClock() == start) {
        timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
    }
    RuntimeTimerPass();
}

// The runtime's clocks, held against the system's steady clock rather than
// against each other: a clock running fast or slow would otherwise time its
// own tests. Each end of the interval is read between two steady readings.
TEST(RuntimeClocks, KeepPaceWithTheSteadyClock) {
    struct Row {
        const char* name;
        uint32_t (*read)();
        double perSecond;
    };
    const Row rows[] = {
        {"ticks", [] { return uint32_t(RuntimeTicks()); }, 60},
        {"timer milliseconds", [] { return uint32_t(TimerMillisecondsClock()); }, 1000},
        {"thread milliseconds", [] { return ThreadMillisecondsClock(); }, 1000},
    };
    using Steady = std::chrono::steady_clock;
    auto units = [](Steady::duration d, double perSecond) { return std::chrono::duration<double>(d).count() * perSecond; };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Steady::time_point beforeStart = Steady::now();
        uint32_t start = row.read();
        Steady::time_point afterStart = Steady::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Steady::time_point beforeEnd = Steady::now();
        uint32_t end = row.read();
        Steady::time_point afterEnd = Steady::now();
        auto elapsed = double(int32_t(end - start));
        // The runtime counts whole sixtieths of a second of a coarse clock: two ticks either way.
        double slack = 2 * row.perSecond / 60;
        EXPECT_GE(elapsed, units(beforeEnd - afterStart, row.perSecond) - slack);
        EXPECT_LE(elapsed, units(afterEnd - beforeStart, row.perSecond) + slack);
    }
}

TEST_F(TimerTest, SingleTimerFiresOnceAfterItsPeriodAndTurnsOff) {
    int32_t enabledAt = 0, firedAt = 0, firings = 0;
    rt::Timer timer = rt::Timer::make([&] {
        ++firings;
        firedAt = TimerMillisecondsClock();
    });
    timer.setPeriod(100);
    timer.setMode(kTimerSingle);
    enabledAt = TimerMillisecondsClock();
    RunPassesUntil([&] { return firings > 0; }, 300);
    EXPECT_EQ(firings, 1);
    EXPECT_GT(firedAt - enabledAt, 100);
    EXPECT_EQ(timer.mode(), kTimerOff);
}

TEST_F(TimerTest, TimerDestroyedByItsOwnActionEndsThePass) {
    std::vector<std::string> fired;
    rt::Timer older = rt::Timer::make([&] { fired.push_back("older"); });
    std::optional<rt::Timer> newer;  // first in the list
    newer = rt::Timer::make([&] {
        fired.push_back("newer");
        newer.reset();
    });
    for (const rt::Timer* t : {&older, &*newer}) {
        t->setPeriod(0);
        t->setMode(kTimerMultiple);
    }
    EXPECT_EQ(older.period(), 1);
    RunOnePass();
    EXPECT_EQ(fired, std::vector<std::string>{"newer"});
    RunOnePass();
    EXPECT_EQ(fired, (std::vector<std::string>{"newer", "older"}));
}

TEST_F(TimerTest, WaitTimeFollowsTheNextDueTimer) {
    {
        rt::Timer timer = rt::Timer::make([] {});
        timer.setPeriod(5000);
        timer.setMode(kTimerMultiple);
        RunOnePass();
        EXPECT_GT(RuntimeTimerWaitTime(), 4000);
        EXPECT_LE(RuntimeTimerWaitTime(), 5000);
        timer.setEnabled(false);
        RunOnePass();
        EXPECT_EQ(RuntimeTimerWaitTime(), kTimerIdleWaitMilliseconds);
    }
    EXPECT_FALSE(RuntimeTimersExist());
}

} // namespace
