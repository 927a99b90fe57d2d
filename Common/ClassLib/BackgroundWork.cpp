#include "Common/ClassLib/BackgroundWork.h"

#include "Common/ClassLib/RuntimeThread.h"
#include "Common/ClassLib/RuntimeTimer.h"
#include "Common/Linux/ThreadsUnix.h"
#include "Common/runtimemainloop.h"

namespace {

// The timer pass, then a turn for the other threads.
void runBackgroundWork() {
    RuntimeTimerPass();
    if (RuntimeLiveThreadCount() > 1) RuntimeYieldBaton();
}

// DoEvents' sleep: through the scheduler while other threads exist, so they run meanwhile.
void backgroundSleep(int32_t milliseconds) {
    if (RuntimeLiveThreadCount() > 1) RuntimeSleepCurrentThread(milliseconds);
    else SleepMilliseconds(uint32_t(milliseconds));
}

constexpr RuntimeBackgroundHooks kHooks{&runBackgroundWork, &backgroundSleep, &RuntimeYieldToNextThread,
                                        &RuntimeKillOtherThreads};

} // namespace

void RuntimeUpdateBackgroundWork() {
    RuntimeSetBackgroundWork(kHooks, RuntimeTimersExist() || RuntimeLiveThreadCount() > 1);
}
