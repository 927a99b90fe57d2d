// The background step that compiled loops call, and DoEvents.
#pragma once
#include <cstdint>

#include "Universal/Forward.h"

extern "C" {
/// The periodic background step: returns at once while the 60 Hz tick has not
/// moved; gives the tick count.
int32_t RuntimeBackgroundTask();
/// ConsoleApplication.DoEvents: one background pass, then sleeps `milliseconds` when it is 0 or more.
int32_t RuntimeDoEvents(RuntimeObject* app, int32_t milliseconds);
}

/// What the class library plugs into the core once it has threads or timers,
/// so that the core needs none of it: the background pass (due timers fire,
/// other threads get a turn), DoEvents' sleep (through the scheduler), a turn
/// for the next thread, and the end of the other threads when the application quits.
struct RuntimeBackgroundHooks {
    void (*pass)();
    void (*sleep)(int32_t milliseconds);
    void (*yield)();
    void (*endOtherThreads)();
};

/// Installs `hooks` (the class library's, the same each time) and says whether
/// the pass has work now; without work the background step costs one test.
void RuntimeSetBackgroundWork(const RuntimeBackgroundHooks& hooks, bool pending);
/// Gives the next thread a turn; nothing while no thread was ever made.
void RuntimeYieldToOtherThreads();
/// Ends every thread but the calling one; nothing while no thread was ever made.
void RuntimeEndOtherThreads();
