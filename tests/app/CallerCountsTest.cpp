// The Limit line a caller falls under, and the day counts' text.
#include <gtest/gtest.h>

#include "app/CallerCounts.h"

TEST(CallerCounts, TheFirstLineFittingAnyAkaGovernsTheCaller) {
    std::vector<CallerLimit> limits;
    for (const char* text : {"3:*/*.*", "1:*/*", "2:5020/*"})
        limits.push_back({text, *ParseAddressPattern(text), int64_t(limits.size()), 0});
    struct Row {
        std::vector<std::string> akas;
        int64_t line;  // -1: none
        const char* caller;
    };
    const Row rows[] = {
        {{"2:5020/1@fidonet", "1:1/1@fidonet"}, 1, "1:1/1.0"},
        {{"2:5020/1@fidonet"}, 2, "2:5020/1.0"},
        {{"garbage", "3:1/2.5"}, 0, "3:1/2.5"},
        {{"2:5021/1"}, -1, ""},
        {{}, -1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caller);
        std::string caller;
        const CallerLimit* limit = LimitOf(limits, row.akas, caller);
        EXPECT_EQ(limit ? limit->files : -1, row.line);
        EXPECT_EQ(caller, row.caller);
    }
}

TEST(CallerCounts, OnlyTheDaysWellFormedLinesAreKept) {
    bool damaged = true;
    auto counts = CountsOfDay("2026-12-07 2:5020/1.0 9 9\n2026-12-08 2:5020/1.0 3 700\n2026-12-08 1:1/1.0 1 5\n",
                              "2026-12-08", damaged);
    EXPECT_FALSE(damaged);
    EXPECT_EQ(CountsText("2026-12-08", counts), "2026-12-08 1:1/1.0 1 5\n2026-12-08 2:5020/1.0 3 700\n");
    for (const char* text : {"2026-12-08 2:5020/1.0 3\n", "2026-12-08 2:5020/1.0 3 -1\n", "\x01\x02 binary\n",
                             "2026-12-08 not-an-address 1 1\n", "2026-12-08 2:5020/1.0 3 7 extra\n"}) {
        SCOPED_TRACE(text);
        counts = CountsOfDay(std::string(text) + "2026-12-08 1:1/1.0 1 5\n", "2026-12-08", damaged);
        EXPECT_TRUE(damaged);
        EXPECT_EQ(CountsText("2026-12-08", counts), "2026-12-08 1:1/1.0 1 5\n");
    }
}
