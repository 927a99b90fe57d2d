// A folder listing is trusted only when the folder's times lie beyond the
// stamping clock's margin before the read: 50 ms for fine stamps, 2 s for
// stamps in whole milliseconds or seconds. Each margin just inside, at and
// just past it.
#include <gtest/gtest.h>

#include "Common/Linux/FolderItemImpUnix.h"

TEST(ListingFreshness, TrustsOnlyStampsPastTheMargin) {
    const timespec fineRead{1000, 500000123}, coarseRead{1000, 500000000};
    struct Row {
        const char* name;
        timespec readAt, stamp;
        bool trusted;
    } rows[] = {
        {"fine, 1 ns inside 50 ms", fineRead, {1000, 450000124}, false},
        {"fine, at 50 ms", fineRead, {1000, 450000123}, false},
        {"fine, 1 ns past 50 ms", fineRead, {1000, 450000122}, true},
        {"fine, past 50 ms across a second", {1000, 40000002}, {999, 990000001}, true},
        {"fine, inside 50 ms across a second", {1000, 40000000}, {999, 990000001}, false},
        {"milliseconds, 1 ms inside 2 s", coarseRead, {998, 501000000}, false},
        {"milliseconds, at 2 s", coarseRead, {998, 500000000}, false},
        {"milliseconds, 1 ms past 2 s", coarseRead, {998, 499000000}, true},
        {"whole seconds, at 2 s", {1000, 0}, {998, 0}, false},
        {"whole seconds, 3 s before", {1000, 0}, {997, 0}, true},
        {"a stamp after the read", {1000, 0}, {1001, 7}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(OlderThanStampMargin(row.stamp, row.readAt), row.trusted);
    }
}
