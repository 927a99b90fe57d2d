// The implementation behind a Date object: a broken-down local wall-clock time,
// the calendar arithmetic on day numbers (Julian before the October 1582
// switch, Gregorian after it), normalisation of fields set out of range, and
// the seconds count from 1904-01-01 00:00:00 local time.
#pragma once
#include <cstdint>
#include <ctime>

/// Number of days since a fixed origin for a valid date (year >= 1, month
/// 0 to 11, day within the month). 1582-10-15 follows 1582-10-04 directly.
int64_t DateDayNumber(int32_t year, int32_t month, int32_t day);

/// Whether `year` has a 29 February: every fourth year, except, from 1582 on,
/// century years not divisible by 400.
bool DateIsLeapYear(int32_t year);

/// Days in `month` (0 to 11) of `year`.
int32_t DateMonthLength(int32_t year, int32_t month);

/// A calendar date: full year, month 0 to 11, day of month from 1.
struct CalendarDay {
    int32_t year;
    int32_t month;
    int32_t day;
};

/// The date of a day number; the inverse of DateDayNumber. A day number
/// beyond the Int32 years gives the first or last day they hold.
CalendarDay DateFromDayNumber(int64_t dayNumber);

/// The local wall-clock fields of `clock`, by the system's time zone rules.
tm LocalTimeOf(time_t clock);
/// The clock value of local wall-clock fields; with tm_isdst -1 the time zone
/// rules decide whether summer time applies.
time_t ClockOfLocalTime(tm local);

/// Broken-down date and time of one Date object. Owned by the object, deleted
/// by its finalizer.
struct DateImp {
    double gmtOffset = 0;           // hours
    bool initialised = false;       // the fields below hold a time
    bool needsNormalising = false;  // a field was set since the last normalisation
    int32_t second = 0;             // second, minute and hour as set, never normalised
    int32_t minute = 0;
    int32_t hour = 0;
    int32_t day = 1;                // day of month, from 1
    int64_t month = 0;              // 0 to 11 once normalised; wide enough for any Month set, less one
    int32_t year = 1904;            // the full year
    int32_t dayOfWeek = 0;          // as last set; never used for computation
    int32_t dayOfYear = 0;

    /// Sets the fields to the local time of the system clock.
    void setToNow();
    /// Sets the fields to the local time of `clock`.
    void setToClock(time_t clock);
    /// Sets now unless the fields already hold a time.
    void ensureInitialised();
    /// Brings month and day into range, carrying into month and year, in
    /// constant time; time of day stays. A date past either end of the Int32
    /// years stops at the first or last day they hold.
    void normalise();

    /// Day number of the (normalised) date.
    int64_t dayNumber() const;
    /// 1 (Sunday) to 7 (Saturday).
    int32_t weekday() const;
    /// 1 for 1 January.
    int32_t yearDay() const;

    /// Seconds since 1904-01-01 00:00:00 local time; hour, minute and second count as set.
    double totalSeconds() const;
    /// Sets date and time of day from a seconds count; values beyond any
    /// 32-bit year, or not finite, are ignored.
    void setTotalSeconds(double seconds);
    /// Moves to a new GMT offset in hours, keeping the same instant.
    void setGMTOffset(double hours);
};
