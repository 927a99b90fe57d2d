#include <gtest/gtest.h>

#include "support/TimeZoneGuard.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "Universal/DateImp/DateImpUnix.h"
#include "support/TestDates.h"

namespace {

std::string ymd(const DateImp& imp) {
    char text[48];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", imp.year, int(imp.month + 1), imp.day, imp.hour,
                  imp.minute, imp.second);
    return text;
}

} // namespace

TEST(DateCalendar, OctoberFifteenth1582FollowsOctoberFourth) {
    EXPECT_EQ(DateDayNumber(1582, 9, 15), DateDayNumber(1582, 9, 4) + 1);
    EXPECT_EQ(DateDayNumber(1582, 9, 15), 577738);
    EXPECT_EQ(NormalisedDateImpOf(1582, 10, 15).totalSeconds() - NormalisedDateImpOf(1582, 10, 4).totalSeconds(), 86400);
    EXPECT_EQ(NormalisedDateImpOf(1582, 10, 4).weekday(), 5);   // Thursday
    EXPECT_EQ(NormalisedDateImpOf(1582, 10, 15).weekday(), 6);  // Friday
}

TEST(DateCalendar, LeapYearsFollowJulianThenGregorianRules) {
    const std::pair<int32_t, bool> rows[] = {{1900, false}, {2000, true},  {1500, true},  {1600, true},
                                             {1700, false}, {2024, true},  {2023, false}, {4, true},
                                             {1, false},    {1580, true},  {2100, false}, {2400, true}};
    for (const auto& [year, leap] : rows) {
        SCOPED_TRACE(year);
        EXPECT_EQ(DateIsLeapYear(year), leap);
        EXPECT_EQ(DateMonthLength(year, 1), leap ? 29 : 28);
        EXPECT_EQ(DateDayNumber(year + 1, 0, 1) - DateDayNumber(year, 0, 1), leap ? 366 : 365);
    }
}

TEST(DateCalendar, DayNumbersConvertBackToTheirDates) {
    const int64_t first = DateDayNumber(1, 0, 1);
    const int64_t last = DateDayNumber(3000, 11, 31);
    int64_t previous = first - 1;
    for (int64_t n = first; n <= last; ++n) {
        CalendarDay date = DateFromDayNumber(n);
        ASSERT_GE(date.day, 1) << n;
        ASSERT_LE(date.day, DateMonthLength(date.year, date.month)) << n;
        ASSERT_EQ(DateDayNumber(date.year, date.month, date.day), n) << n;
        previous = n;
    }
    EXPECT_EQ(previous, last);
    CalendarDay afterSwitch = DateFromDayNumber(577738);
    EXPECT_EQ(afterSwitch.year * 10000 + (afterSwitch.month + 1) * 100 + afterSwitch.day, 15821015);
}

TEST(DateCalendar, NormalisationCarriesIntoMonthAndYear) {
    struct Row {
        int32_t year, month, day;
        const char* expected;
    };
    const Row rows[] = {
        {2023, 13, 15, "2024-01-15"}, {2023, 0, 15, "2022-12-15"},  {2023, -13, 1, "2021-11-01"},
        {2024, 3, 0, "2024-02-29"},   {2023, 3, 0, "2023-02-28"},   {2024, 1, 0, "2023-12-31"},
        {2024, 1, -1, "2023-12-30"},  {2023, 12, 32, "2024-01-01"}, {2023, 1, 400, "2024-02-04"},
        {2024, 2, 30, "2024-03-01"},  {2023, 2, 29, "2023-03-01"},  {2023, 25, 0, "2024-12-31"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.year) + "/" + std::to_string(row.month) + "/" + std::to_string(row.day));
        EXPECT_EQ(ymd(NormalisedDateImpOf(row.year, row.month, row.day)).substr(0, 10), row.expected);
    }
}

TEST(DateCalendar, WeekdayAndDayOfYear) {
    struct Row {
        int32_t year, month, day, weekday, yearDay;
    };
    const Row rows[] = {
        {1904, 1, 1, 6, 1},  {2024, 3, 7, 5, 67},   {2000, 2, 29, 3, 60}, {2024, 12, 31, 3, 366},
        {2023, 12, 31, 1, 365}, {2024, 3, 1, 6, 61}, {1970, 1, 1, 5, 1},   {1582, 12, 31, 6, 355},
        {1, 1, 1, 7, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month) + "-" + std::to_string(row.day));
        DateImp imp = NormalisedDateImpOf(row.year, row.month, row.day);
        EXPECT_EQ(imp.weekday(), row.weekday);
        EXPECT_EQ(imp.yearDay(), row.yearDay);
    }
}

TEST(DateTotalSeconds, CountsFromMidnightOfFirstJanuary1904) {
    EXPECT_EQ(NormalisedDateImpOf(1904, 1, 1).totalSeconds(), 0);
    EXPECT_EQ(NormalisedDateImpOf(1904, 1, 2).totalSeconds(), 86400);
    EXPECT_EQ(NormalisedDateImpOf(1904, 1, 1, 1, 2, 3).totalSeconds(), 3723);
    // 1 January 1970 lies 2,082,844,800 seconds after the epoch.
    EXPECT_EQ(NormalisedDateImpOf(1970, 1, 1).totalSeconds(), 2082844800.0);
}

TEST(DateTotalSeconds, HourBeyondTheDayStaysButCounts) {
    DateImp imp = NormalisedDateImpOf(2024, 3, 7, 25);
    EXPECT_EQ(imp.hour, 25);
    EXPECT_EQ(imp.totalSeconds() - NormalisedDateImpOf(2024, 3, 7).totalSeconds(), 25 * 3600);
}

TEST(DateTotalSeconds, SettingReadsBackEveryDateIncludingAfter2040) {
    // The seconds count passes 2^32 on 2040-02-06 06:28:16.
    const DateImp rows[] = {
        NormalisedDateImpOf(1904, 1, 1),           NormalisedDateImpOf(2024, 3, 7, 9, 5, 0),   NormalisedDateImpOf(2040, 2, 6, 6, 28, 15),
        NormalisedDateImpOf(2040, 2, 6, 6, 28, 16), NormalisedDateImpOf(2040, 2, 6, 6, 28, 17), NormalisedDateImpOf(2100, 12, 31, 23, 59, 59),
        NormalisedDateImpOf(9999, 6, 15, 12, 0, 1), NormalisedDateImpOf(1903, 12, 31, 23, 59, 59), NormalisedDateImpOf(1582, 10, 15, 8, 0, 0),
        NormalisedDateImpOf(1582, 10, 4, 20, 0, 0), NormalisedDateImpOf(1, 1, 1, 0, 0, 1),
    };
    for (const DateImp& row : rows) {
        SCOPED_TRACE(ymd(row));
        DateImp back;
        back.setTotalSeconds(row.totalSeconds());
        EXPECT_EQ(ymd(back), ymd(row));
    }
    DateImp wrapped;
    wrapped.setTotalSeconds(4294967296.0);
    EXPECT_EQ(ymd(wrapped), "2040-02-06 06:28:16");
    DateImp fraction;
    fraction.setTotalSeconds(86400.9);
    EXPECT_EQ(ymd(fraction), "1904-01-02 00:00:00");
}

TEST(DateTotalSeconds, UnusableCountsChangeNothing) {
    DateImp imp = NormalisedDateImpOf(2024, 3, 7, 9, 5, 0);
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300}) {
        SCOPED_TRACE(bad);
        imp.setTotalSeconds(bad);
        EXPECT_EQ(ymd(imp), "2024-03-07 09:05:00");
    }
}

TEST(DateGMTOffset, KeepsTheSameInstant) {
    DateImp imp = NormalisedDateImpOf(2024, 3, 7, 23, 30, 0);
    imp.setGMTOffset(2);
    EXPECT_EQ(ymd(imp), "2024-03-08 01:30:00");
    imp.setGMTOffset(-1.5);
    EXPECT_EQ(ymd(imp), "2024-03-07 22:00:00");
    EXPECT_EQ(imp.gmtOffset, -1.5);
}

TEST(DateNow, FollowsTheLocalTimeZoneAcrossDaylightSavingTime) {
    const time_t springForward = 1711846800;  // 2024-03-31 01:00:00 UTC
    const time_t fallBack = 1729990800;       // 2024-10-27 01:00:00 UTC
    struct Row {
        const char* zone;
        time_t clock;
        const char* expected;
    };
    const Row rows[] = {
        {"UTC0", springForward, "2024-03-31 01:00:00"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", springForward - 1, "2024-03-31 01:59:59"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", springForward, "2024-03-31 03:00:00"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", fallBack - 1, "2024-10-27 02:59:59"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", fallBack, "2024-10-27 02:00:00"},
        {"<+0530>-5:30", springForward, "2024-03-31 06:30:00"},
        {"<-10>10", springForward, "2024-03-30 15:00:00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.zone) + " " + std::to_string(row.clock));
        TimeZoneGuard zone(row.zone);
        DateImp imp;
        imp.setToClock(row.clock);
        EXPECT_EQ(ymd(imp), row.expected);
    }
    // The seconds count is wall-clock time: one real second across the change reads as an hour and a second.
    TimeZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
    DateImp before, after;
    before.setToClock(springForward - 1);
    after.setToClock(springForward);
    EXPECT_EQ(after.totalSeconds() - before.totalSeconds(), 3601);
}
