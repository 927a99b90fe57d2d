#include "Universal/DateImp/Clocks.h"

#include <sys/time.h>
#include <time.h>

#include <climits>

int32_t TicksFromClock(int64_t clockValue, int64_t clockTicksPerSecond) {
    // Integer steps, truncating toward zero; through 64 bits, so that a clock
    // beyond the 32-bit range wraps like the counter it is.
    return int32_t(uint32_t(uint64_t(clockValue * 60 / clockTicksPerSecond)));
}

int32_t MicrosecondsFromWallClock(int64_t seconds, int64_t microseconds) {
    return int32_t(uint32_t(uint64_t(seconds) * 1000000u + uint64_t(microseconds)));
}

extern "C" int32_t RuntimeTicks() {
    // The background step reads the tick once per line or folder entry. The
    // coarse monotonic clock is read without a system call, and its resolution
    // (a kernel tick, a few milliseconds) is well within a sixtieth of a second.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return TicksFromClock(int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000, 1000);
}

extern "C" double RuntimeMicroseconds() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return MicrosecondsFromWallClock(now.tv_sec, now.tv_usec);
}

int64_t UnixSecondsNow() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return now.tv_sec;
}

int32_t MicrosecondsBetween(double earlier, double later) {
    // Both readings are 32-bit counts: their difference modulo 2^32 is the
    // time that passed, whether or not the count wrapped in between.
    uint32_t elapsed = uint32_t(int64_t(later)) - uint32_t(int64_t(earlier));
    return elapsed > uint32_t(INT32_MAX) ? INT32_MAX : int32_t(elapsed);
}
