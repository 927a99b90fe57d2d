// What the background step of compiled loops and DoEvents do for timers and
// cooperative threads. A program with neither pays one flag test per tick.
#pragma once
#include <cstdint>

namespace detail {
extern bool gBackgroundWorkPending;
}

/// Runs the timer pass and gives other threads a turn, when timers or other threads exist.
void RuntimeRunBackgroundWork();
inline void RuntimeBackgroundWorkStep() {
    if (detail::gBackgroundWorkPending) RuntimeRunBackgroundWork();
}
/// Sleeps for DoEvents: through the scheduler while other threads exist, so they run meanwhile.
void RuntimeBackgroundSleep(int32_t milliseconds);
/// Recomputes whether the background step has work; called when timers or threads come and go.
void RuntimeUpdateBackgroundWork();
