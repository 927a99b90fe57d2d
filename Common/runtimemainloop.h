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
