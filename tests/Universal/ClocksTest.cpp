#include <gtest/gtest.h>

#include <climits>

#include <time.h>

#include "Universal/DateImp/Clocks.h"

namespace {

void sleepMilliseconds(long ms) {
    timespec pause{ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&pause, &pause) != 0) {
    }
}

} // namespace

TEST(RuntimeTicks, ConvertsAClockToSixtiethsOfASecond) {
    struct Row {
        int64_t clock, perSecond;
        int32_t expected;
    };
    const Row rows[] = {
        {250, 100, 150}, {1, 100, 0}, {2, 100, 1}, {99, 100, 59}, {1000, 1000, 60},
        // Beyond 32 bits the count wraps like the counter it is.
        {(int64_t(1) << 32) + 60, 60, 60},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.clock);
        EXPECT_EQ(TicksFromClock(row.clock, row.perSecond), row.expected);
    }
}

TEST(RuntimeTicks, AdvancesAtSixtyPerSecond) {
    int32_t before = RuntimeTicks();
    sleepMilliseconds(250);
    int32_t elapsed = RuntimeTicks() - before;
    EXPECT_GE(elapsed, 14);
    EXPECT_LE(elapsed, 60);  // generous for a loaded machine
}

TEST(RuntimeMicroseconds, KeepsTheLowThirtyTwoBitsAsASignedCount) {
    struct Row {
        int64_t seconds, microseconds;
        int32_t expected;
    };
    const Row rows[] = {
        {0, 0, 0},
        {1, 500000, 1500000},
        {2147, 483647, 2147483647},
        {2147, 483648, -2147483647 - 1},
        {4294, 967295, -1},
        {4294, 967296, 0},
        {1765000000, 123456, int32_t(uint32_t(uint64_t(1765000000) * 1000000 + 123456))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.seconds);
        EXPECT_EQ(MicrosecondsFromWallClock(row.seconds, row.microseconds), row.expected);
    }
    // Across the jump from the largest to the smallest count, the difference
    // of two readings is off by 2^32.
    EXPECT_EQ(double(MicrosecondsFromWallClock(2147, 483650)) - MicrosecondsFromWallClock(2147, 483640),
              10 - 4294967296.0);
}

TEST(RuntimeMicroseconds, TwoReadingsDifferByTheElapsedTime) {
    double before = RuntimeMicroseconds();
    sleepMilliseconds(200);
    double elapsed = RuntimeMicroseconds() - before;
    if (elapsed < 0) elapsed += 4294967296.0;  // a wrap fell between the readings
    EXPECT_GE(elapsed, 200000);
    EXPECT_LT(elapsed, 1000000);
    double reading = RuntimeMicroseconds();
    EXPECT_EQ(reading, double(int32_t(reading)));  // a whole 32-bit count
}

TEST(MicrosecondsBetween, CountsAcrossTheWrapAndIsNeverNegative) {
    struct Row {
        const char* name;
        double earlier, later;
        int32_t elapsed;
    };
    const Row rows[] = {
        {"plain", 1000.0, 1500.0, 500},
        {"same reading", -7.0, -7.0, 0},
        {"across the signed wrap", 2147483000.0, -2147483000.0, 1296},
        {"across zero", -10.0, 10.0, 20},
        {"too long for an Int32", 0.0, -1.0, INT32_MAX},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MicrosecondsBetween(row.earlier, row.later), row.elapsed);
    }
}
