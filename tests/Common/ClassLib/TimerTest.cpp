#include <gtest/gtest.h>

#include <time.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Common/ClassLib/ThreadTestSupport.h"
#include "Common/ClassLib/Timer.h"
#include "Common/runtimemainloop.h"

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

TEST_F(TimerTest, SingleTimerFiresOnceAfterItsPeriodAndTurnsOff) {
    int32_t enabledAt = 0, firedAt = 0, firings = 0;
    rt::Timer timer([&] {
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
    rt::Timer older([&] { fired.push_back("older"); });
    std::optional<rt::Timer> newer;  // first in the list
    newer.emplace([&] {
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
        rt::Timer timer([] {});
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
