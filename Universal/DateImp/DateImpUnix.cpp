#include "Universal/DateImp/DateImpUnix.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int32_t kMonthLengths[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

// Day numbers from here on lost the ten days 5 to 14 October 1582.
constexpr int64_t kFirstGregorianDay = 577738;
constexpr int64_t kSkippedDays = 10;
constexpr int32_t kSecondsPerDay = 86400;

constexpr int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

constexpr bool isLeapYear(int64_t year) {
    if (year % 4 != 0) return false;
    return year < 1582 || year % 100 != 0 || year % 400 == 0;
}

constexpr int32_t monthLength(int64_t year, int32_t month) { return kMonthLengths[isLeapYear(year)][month]; }

// Steps 1 to 3 of the day number, before the ten skipped days come off. The
// year is 64 bits wide so that a year next to either end of Int32 can still
// be stepped past. Years before 1 round their leap days down, which keeps
// every year exactly as long as its month table says.
constexpr int64_t continuousDayNumber(int64_t year, int32_t month, int32_t day) {
    int64_t y = year - 1;
    int64_t n = year * 365 + floorDiv(y, 4) - 365;
    if (y > 1582) n += y / 400 - y / 100 + 12;
    for (int32_t m = 0; m < month; ++m) n += monthLength(year, m);
    return n + day;
}

// The continuous day numbers of the first and the last day an Int32 year can hold.
constexpr int64_t kFirstDay = continuousDayNumber(INT32_MIN, 0, 1);
constexpr int64_t kLastDay = continuousDayNumber(INT32_MAX, 11, 31);

// The date of a continuous day number, in constant time: the year comes from
// the mean year length of its calendar, corrected by at most a step or two.
// Day numbers beyond the Int32 years stop at the first or last day they hold.
CalendarDay continuousDate(int64_t n) {
    n = std::clamp(n, kFirstDay, kLastDay);
    constexpr int64_t gregorianStart = continuousDayNumber(1583, 0, 1);
    int64_t year = n < gregorianStart ? floorDiv(4 * (n - 1), 1461) + 1                     // 365.25 days
                                      : 1583 + floorDiv(400 * (n - gregorianStart), 146097);  // 365.2425 days
    while (continuousDayNumber(year, 0, 1) > n) --year;
    while (year < INT32_MAX && continuousDayNumber(year + 1, 0, 1) <= n) ++year;
    int64_t dayOfYear = n - continuousDayNumber(year, 0, 1);
    int32_t month = 0;
    while (month < 11 && dayOfYear >= monthLength(year, month)) dayOfYear -= monthLength(year, month++);
    return {int32_t(year), month, int32_t(dayOfYear + 1)};
}

int64_t epochDayNumber() { return DateDayNumber(1904, 0, 1); }

} // namespace

bool DateIsLeapYear(int32_t year) { return isLeapYear(year); }

int32_t DateMonthLength(int32_t year, int32_t month) { return monthLength(year, month); }

int64_t DateDayNumber(int32_t year, int32_t month, int32_t day) {
    int64_t n = continuousDayNumber(year, month, day);
    return n >= kFirstGregorianDay ? n - kSkippedDays : n;
}

CalendarDay DateFromDayNumber(int64_t dayNumber) {
    return continuousDate(dayNumber >= kFirstGregorianDay ? dayNumber + kSkippedDays : dayNumber);
}

tm LocalTimeOf(time_t clock) {
    tm local{};
    localtime_r(&clock, &local);
    return local;
}

time_t ClockOfLocalTime(tm local) { return mktime(&local); }

void DateImp::setToNow() { setToClock(time(nullptr)); }

void DateImp::setToClock(time_t clock) {
    tm local = LocalTimeOf(clock);
    second = local.tm_sec;
    minute = local.tm_min;
    hour = local.tm_hour;
    day = local.tm_mday;
    month = local.tm_mon;
    year = local.tm_year + 1900;
    initialised = true;
    needsNormalising = false;
}

void DateImp::ensureInitialised() {
    if (!initialised) setToNow();
}

void DateImp::normalise() {
    if (!needsNormalising) return;
    needsNormalising = false;
    // Months carry into years, then the day counts on from the first of the
    // month through the month lengths: what stepping a month at a time gives,
    // in one step, and in 64 bits so that no field set to any Int32 overflows.
    int64_t carriedYear = int64_t(year) + floorDiv(month, 12);
    auto monthOfYear = int32_t(month - floorDiv(month, 12) * 12);
    CalendarDay date = continuousDate(continuousDayNumber(carriedYear, monthOfYear, 1) + (int64_t(day) - 1));
    year = date.year;
    month = date.month;
    day = date.day;
}

int64_t DateImp::dayNumber() const { return DateDayNumber(year, int32_t(month), day); }

int32_t DateImp::weekday() const {
    int64_t rest = dayNumber() % 7;
    if (rest < 0) rest += 7;  // dates before the origin still name a weekday
    return int32_t((rest + 5) % 7 + 1);
}

int32_t DateImp::yearDay() const { return int32_t(dayNumber() - DateDayNumber(year, 0, 1) + 1); }

double DateImp::totalSeconds() const {
    return double(dayNumber() - epochDayNumber()) * kSecondsPerDay + double(hour) * 3600 +
           double(minute) * 60 + double(second);
}

void DateImp::setTotalSeconds(double seconds) {
    // Far beyond this the year no longer fits 32 bits.
    constexpr double kLimit = 1e16;
    if (!(std::fabs(seconds) < kLimit)) return;
    // The time of day comes from the whole count: cutting it to 32 bits first
    // would misplace every time after February 2040. Counts before the epoch
    // step back whole days, so the time of day still runs forward from midnight.
    auto whole = int64_t(std::floor(seconds));
    int64_t days = floorDiv(whole, kSecondsPerDay);
    auto timeOfDay = int32_t(whole - days * kSecondsPerDay);
    CalendarDay date = DateFromDayNumber(epochDayNumber() + days);
    year = date.year;
    month = date.month;
    day = date.day;
    hour = timeOfDay / 3600;
    minute = timeOfDay % 3600 / 60;
    second = timeOfDay % 60;
    initialised = true;
    needsNormalising = false;
}

void DateImp::setGMTOffset(double hours) {
    setTotalSeconds(totalSeconds() + (hours - gmtOffset) * 3600);
    gmtOffset = hours;
}
