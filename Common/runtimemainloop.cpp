#include "Common/runtimemainloop.h"

#include "Common/ClassLib/BackgroundWork.h"
#include "Common/RuntimeMain.h"
#include "Universal/DateImp/Clocks.h"

namespace {

int32_t gLastTick = 0;

// One pass of the background work, at most once a tick. Timers and
// cooperative threads hook in here; a program that starts neither, like the
// request processor, has nothing pending.
void backgroundPass(int32_t now) {
    gLastTick = now;
    RuntimeBackgroundWorkStep();
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
    RuntimeBackgroundSleep(milliseconds);
    return 0;
}
