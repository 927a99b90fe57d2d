#include "Universal/Clocks.h"

#include <sys/time.h>
#include <sys/times.h>
#include <unistd.h>

#include <cmath>

int32_t TicksFromProcessClock(int64_t clockValue, int64_t clockTicksPerSecond) {
    double ticks = std::trunc(double(clockValue) * (60.0 / double(clockTicksPerSecond)));
    // Through 64 bits, so that a process clock beyond the 32-bit range wraps
    // like the counter it is instead of overflowing the conversion.
    return int32_t(uint32_t(uint64_t(int64_t(ticks))));
}

int32_t MicrosecondsFromWallClock(int64_t seconds, int64_t microseconds) {
    return int32_t(uint32_t(uint64_t(seconds) * 1000000u + uint64_t(microseconds)));
}

extern "C" int32_t RuntimeTicks() {
    static const int64_t clockTicksPerSecond = sysconf(_SC_CLK_TCK);
    return TicksFromProcessClock(int64_t(times(nullptr)), clockTicksPerSecond);
}

extern "C" double RuntimeMicroseconds() {
    timeval now{};
    gettimeofday(&now, nullptr);
    return MicrosecondsFromWallClock(now.tv_sec, now.tv_usec);
}
