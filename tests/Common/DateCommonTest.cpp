#include <gtest/gtest.h>

#include "support/TestDates.h"
#include "support/TimeZoneGuard.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Common/Date.h"
#include "Common/DateCommon.h"
#include "Common/exceptions.h"
#include "Common/objects.h"
#include "Universal/DateImp/DateNames.h"
#include "Universal/VELQstring.h"

namespace {

using rt::Date;

// The date command gives nothing: the English names and the "/" separator hold.
std::string silentShell(const char*) { return ""; }

// Uses a fixed answer for the names for the life of the guard, then the real shell again.
class ShellGuard {
public:
    explicit ShellGuard(ShellRunner runner) { DateNamesUseShell(runner); }
    ~ShellGuard() { DateNamesUseShell(nullptr); }
};

} // namespace

TEST(Date, NewDateIsNowInTheLocalTimeZone) {
    const std::pair<const char*, double> zones[] = {{"UTC0", 0}, {"<+0530>-5:30", 19800}, {"<-08>8", -28800}};
    for (const auto& [zone, offset] : zones) {
        SCOPED_TRACE(zone);
        TimeZoneGuard guard(zone);
        double expected = double(time(nullptr)) + 2082844800.0 + offset;
        Date now = Date::now();
        EXPECT_NEAR(now.totalSeconds(), expected, 2);
        EXPECT_EQ(now.gmtOffset(), 0);
    }
}

TEST(Date, FieldsReadAndWriteThroughTheirIndexes) {
    Date date = DateAt("2023-11-05 07:08:09");
    EXPECT_EQ(date.year(), 2023);
    EXPECT_EQ(date.month(), 11);
    EXPECT_EQ(date.day(), 5);
    EXPECT_EQ(date.hour(), 7);
    EXPECT_EQ(date.minute(), 8);
    EXPECT_EQ(date.second(), 9);
    EXPECT_EQ(date.dayOfWeek(), 1);  // Sunday
    EXPECT_EQ(date.dayOfYear(), 309);
    EXPECT_EQ(date.weekOfYear(), 45);
    date.setMonth(13);
    EXPECT_EQ(date.sqlDate().str(), "2024-01-05");
    date.setDay(0);
    EXPECT_EQ(date.sqlDate().str(), "2023-12-31");
    date.setHour(25);
    EXPECT_EQ(date.hour(), 25);
    EXPECT_EQ(date.sqlDateTime().str(), "2023-12-31 25:08:09");
    EXPECT_EQ(date.totalSeconds(), DateAt("2024-01-01 01:08:09").totalSeconds());
}

TEST(Date, DayOfWeekAndDayOfYearSettersDoNotMoveTheDate) {
    Date date = DateAt("2024-03-07 09:05:00");
    date.setField(kDateDayOfWeek, 1);
    date.setField(kDateDayOfYear, 200);
    EXPECT_EQ(date.dayOfWeek(), 5);
    EXPECT_EQ(date.dayOfYear(), 67);
    EXPECT_EQ(date.sqlDateTime().str(), "2024-03-07 09:05:00");
}

TEST(Date, UnknownFieldOrTextKindIsAnAssertionFailure) {
    Date date = DateAt("2024-03-07 09:05:00");
    testing::internal::CaptureStdout();
    EXPECT_EQ(date.field(DateField(9)), 0);
    date.setField(kDateWeekOfYear, 3);
    EXPECT_TRUE(date.text(DateTextKind(5)).empty());
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(report.find("Failed Assertion"), std::string::npos);
    EXPECT_NE(report.find("DateCommon"), std::string::npos);
    EXPECT_EQ(date.sqlDateTime().str(), "2024-03-07 09:05:00");
}

TEST(Date, NilDateReadsZeroAndEmpty) {
    EXPECT_EQ(dateFieldGetter(nullptr, kDateYear), 0);
    EXPECT_EQ(dateTotalSecondsGetter(nullptr), 0);
    EXPECT_EQ(dateGMTOffsetGetter(nullptr), 0);
    EXPECT_EQ(dateStringGetter(nullptr, kDateLongDate), nullptr);
    EXPECT_EQ(dateSQLDateGetter(nullptr), nullptr);
    EXPECT_EQ(dateSQLDateTimeGetter(nullptr), nullptr);
    dateFieldSetter(nullptr, kDateYear, 1);
    dateTotalSecondsSetter(nullptr, 1);
    dateSQLDateSetter(nullptr, rt::String("2024-01-01").get());
}

TEST(Date, CopyTakesTheSecondsButNotTheOffset) {
    Date original = DateAt("2024-03-07 09:05:00");
    original.setGMTOffset(3);
    Date copy = Date::copyOf(original);
    EXPECT_EQ(copy.totalSeconds(), original.totalSeconds());
    EXPECT_EQ(copy.gmtOffset(), 0);
    EXPECT_EQ(copy.sqlDateTime().str(), "2024-03-07 12:05:00");
    try {
        Date::copyOf(Date::adopt(nullptr));
        ADD_FAILURE() << "nothing was raised";
    } catch (const rt::RaisedException& e) {
        EXPECT_TRUE(e.is(ExceptionKind::NilObjectException));
    }
}

TEST(Date, GMTOffsetMovesTheFieldsToKeepTheInstant) {
    Date date = DateAt("2024-12-31 23:00:00");
    date.setGMTOffset(1.5);
    EXPECT_EQ(date.sqlDateTime().str(), "2025-01-01 00:30:00");
    EXPECT_EQ(date.gmtOffset(), 1.5);
    date.setGMTOffset(0);
    EXPECT_EQ(date.sqlDateTime().str(), "2024-12-31 23:00:00");
}

TEST(Date, TotalSecondsAfter2040ReadBackExactly) {
    Date date = Date::now();
    date.setTotalSeconds(4294967296.0 + 3600 * 5 + 7);  // past the 32-bit seconds count
    EXPECT_EQ(date.sqlDateTime().str(), "2040-02-06 11:28:23");
    date.setSQLDateTime("2100-06-01 12:00:00");
    double seconds = date.totalSeconds();
    Date back = Date::now();
    back.setTotalSeconds(seconds);
    EXPECT_EQ(back.sqlDateTime().str(), "2100-06-01 12:00:00");
}

TEST(DateCompare, OrdersBySecondsAndPutsNilFirst) {
    Date early = DateAt("2024-03-07 09:05:00");
    Date late = DateAt("2024-03-07 09:05:01");
    Date same = DateAt("2024-03-07 09:05:00");
    same.setField(kDateDayOfWeek, 3);
    struct Row {
        const char* what;
        Date a, b;
        int expected;
    };
    const Row rows[] = {
        {"earlier", early, late, -1},  {"later", late, early, 1},           {"equal", early, same, 0},
        {"nil, date", Date::adopt(nullptr), early, -1}, {"date, nil", early, Date::adopt(nullptr), 1},
        {"nil, nil", Date::adopt(nullptr), Date::adopt(nullptr), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(compare(row.a, row.b), row.expected);
    }
    // The offset moved the fields; the comparison sees only the seconds.
    Date moved = Date::copyOf(early);
    moved.setGMTOffset(-1);
    EXPECT_EQ(compare(moved, early), -1);
}

TEST(DateSQL, SettersReadExactlyTheFormsTheGettersWrite) {
    const char* rows[] = {"2024-03-07 09:05:00", "1582-10-15 00:00:00", "2000-02-29 23:59:59",
                          "0001-01-01 00:00:00", "12345-06-07 08:09:10"};
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        Date date = DateAt(text);
        EXPECT_EQ(date.sqlDateTime().str(), text);
        Date other = Date::now();
        other.setSQLDate(date.sqlDate());
        EXPECT_EQ(other.sqlDate().str(), date.sqlDate().str());
    }
}

TEST(DateSQL, DateSetterKeepsTheTimeOfDay) {
    Date date = DateAt("2024-03-07 09:05:00");
    date.setSQLDate("1999-12-31");
    EXPECT_EQ(date.sqlDateTime().str(), "1999-12-31 09:05:00");
}

TEST(DateSQL, OtherTextChangesNothing) {
    const char* rows[] = {"",           "2024-3-7",           "2024-03-07 9:05:00",  "2024-13-01 00:00:00",
                          "2024-02-30", "03/07/2024",          "2024-03-07x",         "2024-03-07 24:00:00",
                          "24-03-07",   "2024-03-07 09:05",    "2024-00-10 00:00:00", "2024-03-07 09:60:00"};
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        Date date = DateAt("2010-05-06 07:08:09");
        date.setSQLDateTime(text);
        date.setSQLDate(text);
        EXPECT_EQ(date.sqlDateTime().str(), "2010-05-06 07:08:09");
    }
}

TEST(DateText, FormsUseTheEnglishNamesWhenTheSystemGivesNone) {
    ShellGuard shell(&silentShell);
    Date date = DateAt("2024-03-07 09:05:04");
    EXPECT_EQ(date.text(kDateShortDate).str(), "03/07/2024");
    EXPECT_EQ(date.text(kDateLongDate).str(), "Thursday, March 07, 2024");
    EXPECT_EQ(date.text(kDateAbbreviatedDate).str(), "Thu, Mar 07, 2024");
    EXPECT_EQ(date.text(kDateShortTime).str(), "09:05 AM");
    EXPECT_EQ(date.text(kDateLongTime).str(), "09:05:04 AM");
    EXPECT_EQ(date.text(kDateLongTime).encoding(), kEncodingUTF8);
}

TEST(DateText, TwelveHourClockAroundMidnightAndNoon) {
    ShellGuard shell(&silentShell);
    const std::pair<const char*, const char*> rows[] = {
        {"2024-03-07 00:30:00", "00:30 AM"}, {"2024-03-07 11:59:00", "11:59 AM"},
        {"2024-03-07 12:30:00", "12:30 PM"}, {"2024-03-07 13:00:00", "01:00 PM"},
        {"2024-03-07 23:59:00", "11:59 PM"},
    };
    for (const auto& [when, expected] : rows) {
        SCOPED_TRACE(when);
        EXPECT_EQ(DateAt(when).text(kDateShortTime).str(), expected);
    }
}

TEST(DateText, NamesAndSeparatorComeFromTheDateCommandOnce) {
    static int calls = 0;
    calls = 0;
    ShellGuard shell([](const char* commandLine) -> std::string {
        ++calls;
        std::string line = commandLine;
        if (line == "date +%x") return "07.03.24\n";
        if (line == "date -d \"1995-01-5\" +%A") return "Donnerstag\r\nrest";
        if (line == "date -d \"2005-3-01\" +%B") return "M\xC3\xA4rz\n";
        return "";
    });
    Date date = DateAt("2024-03-07 09:05:04");
    EXPECT_EQ(date.text(kDateShortDate).str(), "07.03.2024");
    EXPECT_EQ(date.text(kDateLongDate).str(), "Donnerstag, M\xC3\xA4rz 07, 2024");
    EXPECT_EQ(date.text(kDateAbbreviatedDate).str(), "Thu, Mar 07, 2024");
    int callsAfterFirstUse = calls;
    EXPECT_EQ(callsAfterFirstUse, 5);  // separator, two full names, two abbreviations
    (void)date.text(kDateLongDate);
    (void)date.text(kDateShortDate);
    EXPECT_EQ(calls, callsAfterFirstUse);
}

TEST(DateText, RealDateCommandGivesEveryName) {
    for (int day = 0; day < 7; ++day) EXPECT_FALSE(DateDayName(day, NameForm::Full).empty()) << day;
    for (int month = 0; month < 12; ++month) EXPECT_FALSE(DateMonthName(month, NameForm::Abbreviated).empty()) << month;
}

TEST(ParseDate, TriesThePatternsInOrder) {
    ShellGuard shell(&silentShell);
    const std::pair<const char*, const char*> rows[] = {
        {"3/7/2024", "2024-03-07"},          {"03/07/24", "2024-03-07"},       {"12/31/99", "1999-12-31"},
        {"1/2/68", "2068-01-02"},            {"1/2/69", "1969-01-02"},         {"3-7-2024", "2024-03-07"},
        {"3.7.1582", "1582-03-07"},          {"7Mar2024", "2024-03-07"},       {"7mar24", "2024-03-07"},
        {"7 Mar 2024", "2024-03-07"},        {"07.MAR.2024", "2024-03-07"},    {"Mar 7, 2024", "2024-03-07"},
        {"March 7 2024", "2024-03-07"},      {"Thu, Mar 7, 2024", "2024-03-07"},
        {"Thursday March 7 24", "2024-03-07"}, {"Mon Feb 29 2000", "2000-02-29"}, {"3/7/2024  ", "2024-03-07"},
    };
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        std::optional<Date> parsed = Date::parse(text);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->sqlDateTime().str(), std::string(expected) + " 00:00:00");
    }
}

TEST(ParseDate, TextOfNoPatternLeavesTheReferenceAlone) {
    ShellGuard shell(&silentShell);
    const char* rows[] = {"", "hello", "13/01/2024", "2024-03-07", "3/32/2024", "Mar", "3/7", "7 Smarch 2024",
                          "3/7/2024 extra"};
    Date existing = DateAt("2010-05-06 07:08:09");
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        RuntimeObject* slot = existing.get();
        EXPECT_FALSE(parseDate(rt::String(text).get(), &slot));
        EXPECT_EQ(slot, existing.get());
    }
}

TEST(Date, LeavesNoObjectsOrStringsBehind) {
    ShellGuard shell(&silentShell);
    // The leak check that follows every test counts what these leave behind.
    {
        Date date = DateAt("2024-03-07 09:05:04");
        Date copy = Date::copyOf(date);
        for (int kind = kDateShortDate; kind <= kDateLongTime; ++kind) (void)date.text(DateTextKind(kind)).str();
        (void)copy.sqlDate().str();
        RuntimeObject* slot = RuntimeNewObject(DateClass());
        EXPECT_TRUE(parseDate(rt::String("Mar 7, 2024").get(), &slot));  // releases the date it replaces
        RuntimeUnlockObject(slot);
    }
}

// Any Int32 in a field normalises without overflow and without stepping a
// month at a time; dates past either end of the Int32 years stop there.
TEST(Date, FieldsSetToAnyInt32Normalise) {
    struct Row {
        const char* name;
        std::vector<std::pair<DateField, int32_t>> fields;
        std::array<int32_t, 3> expected;  // year, month, day
    };
    const Row rows[] = {
        {"lowest month", {{kDateMonth, INT32_MIN}}, {-178954947, 4, 1}},
        {"highest month", {{kDateMonth, INT32_MAX}}, {178958994, 7, 1}},
        {"highest day", {{kDateDay, INT32_MAX}}, {5881634, 7, 10}},
        {"lowest day", {{kDateDay, INT32_MIN}}, {-5877466, 3, 12}},
        {"past the last year", {{kDateYear, INT32_MAX}, {kDateMonth, 13}}, {INT32_MAX, 12, 31}},
        {"before the first year", {{kDateYear, INT32_MIN}, {kDateMonth, 0}}, {INT32_MIN, 1, 1}},
        {"everything highest", {{kDateYear, INT32_MAX}, {kDateMonth, INT32_MAX}, {kDateDay, INT32_MAX}},
         {INT32_MAX, 12, 31}},
        {"everything lowest", {{kDateYear, INT32_MIN}, {kDateMonth, INT32_MIN}, {kDateDay, INT32_MIN}},
         {INT32_MIN, 1, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Date date = DateAt("2024-01-01 00:00:00");
        for (const auto& [field, value] : row.fields) date.setField(field, value);
        EXPECT_EQ((std::array<int32_t, 3>{date.year(), date.month(), date.day()}), row.expected);
        EXPECT_GE(date.dayOfYear(), 1);
        EXPECT_LE(date.dayOfYear(), 366);
    }
}

// A day count runs on through the calendar by whole days, however far. Back
// across the October 1582 switch, TotalSeconds counts ten days fewer: the
// days the switch skipped.
TEST(Date, DayCountsRunOnByWholeDays) {
    const std::pair<int32_t, int32_t> rows[] = {{32, 0},        {400, 0},           {1000000, 0},
                                                {1000000000, 0}, {INT32_MAX, 0},     {-100000, 0},
                                                {-200000, 10},   {-1000000000, 10},  {INT32_MIN, 10}};
    const Date first = DateAt("2024-01-01 00:00:00");
    for (const auto& [day, skipped] : rows) {
        SCOPED_TRACE(day);
        Date date = DateAt("2024-01-01 00:00:00");
        date.setDay(day);
        EXPECT_EQ(date.totalSeconds() - first.totalSeconds(), (double(day) - 1 + skipped) * 86400);
    }
}
