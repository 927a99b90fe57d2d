#include "Common/runtimemainloop.h"

#include "Common/Linux/ThreadsUnix.h"
#include "Common/RuntimeMain.h"
#include "Universal/DateImp/Clocks.h"

namespace {

int32_t gLastTick = 0;
// Empty until the class library installs its hooks with its first thread or
// timer; a program that starts neither, like the request processor, has none.
RuntimeBackgroundHooks gHooks{};
bool gWorkPending = false;

// One pass of the background work, at most once a tick.
void backgroundPass(int32_t now) {
    gLastTick = now;
    if (gWorkPending) gHooks.pass();
}
} // namespace

extern "C" int32_t RuntimeBackgroundTask() {
    RuntimeHandlePendingSignal();
    int32_t now = RuntimeTicks();
    if (now == gLastTick) return now;
    backgroundPass(now);
    return now;
}

extern "C" int32_t RuntimeDoEvents(RuntimeObject*, int32_t milliseconds) {
    backgroundPass(RuntimeTicks());
    if (milliseconds < 0) return 0;
    if (gHooks.sleep) gHooks.sleep(milliseconds);
    else SleepMilliseconds(uint32_t(milliseconds));
    return 0;
}

void RuntimeSetBackgroundWork(const RuntimeBackgroundHooks& hooks, bool pending) {
    gHooks = hooks;
    gWorkPending = pending;
}

void RuntimeYieldToOtherThreads() {
    if (gHooks.yield) gHooks.yield();
}

void RuntimeEndOtherThreads() {
    if (gHooks.endOtherThreads) gHooks.endOtherThreads();
}
