// The runtime's free-running clocks: a 60 Hz tick counter over the monotonic
// clock, which paces the background step, and a wall-clock microsecond count.
// Neither has a defined zero; only the difference of two readings means anything.
#pragma once
#include <cstdint>

extern "C" {
/// Ticks of 1/60 second of elapsed time (the coarse monotonic clock), truncated to 32 bits.
int32_t RuntimeTicks();
/// Wall-clock microseconds, kept to the low 32 bits as a signed number, so the
/// value wraps about every 71.6 minutes.
double RuntimeMicroseconds();
}

/// Whole microseconds from the reading `earlier` to the reading `later` of
/// RuntimeMicroseconds, counted across a wrap of the 32-bit count, so never
/// negative; a span too long for an Int32 gives its largest value.
int32_t MicrosecondsBetween(double earlier, double later);

/// Whole seconds since 1970-01-01 00:00:00 UTC by the system's wall clock:
/// the time the calendar day of UTC and file times are counted in.
int64_t UnixSecondsNow();

/// `clockValue` ticks of a clock running at `clockTicksPerSecond`, in 60 Hz
/// ticks truncated toward zero and kept to the low 32 bits; `clockValue` × 60
/// must fit in 64 bits.
int32_t TicksFromClock(int64_t clockValue, int64_t clockTicksPerSecond);
/// The microsecond count of a wall-clock time, kept to the low 32 bits as a signed number.
int32_t MicrosecondsFromWallClock(int64_t seconds, int64_t microseconds);
