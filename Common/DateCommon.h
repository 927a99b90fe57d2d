// Date objects: a calendar date and local time of day with its fields, the
// seconds count from 1904, the GMT offset, comparison and the text forms.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

#include "Universal/Forward.h"

struct DateImp;

/// The fields of a Date after the object header.
struct DateFields {
    DateImp* imp;  // made on first use, deleted by DateFinalizer
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(DateFields) == 4);
#endif

/// Indexes of dateFieldGetter and dateFieldSetter.
enum DateField : int32_t {
    kDateYear = 0,
    kDateMonth = 1,  // 1 to 12
    kDateDay = 2,
    kDateHour = 3,
    kDateMinute = 4,
    kDateSecond = 5,
    kDateDayOfWeek = 6,  // 1 = Sunday to 7 = Saturday
    kDateDayOfYear = 7,
    kDateWeekOfYear = 8,
};

/// Text kinds of dateStringGetter.
enum DateTextKind : int32_t {
    kDateShortDate = 0,
    kDateLongDate = 1,
    kDateAbbreviatedDate = 2,
    kDateShortTime = 3,
    kDateLongTime = 4,
};

/// The Date class record, built on first use; never freed.
RuntimeClass* DateClass();
/// A new Date holding the local time of the system clock value `clock`.
RuntimeObject* NewDateAtClock(time_t clock);

extern "C" {
/// Class initializer: makes the implementation and sets it to now.
void AutoInitDate(RuntimeObject* date);
/// Deletes the implementation.
void DateFinalizer(RuntimeObject* date);
/// Constructor(): sets the date to now.
void DateConstructor(RuntimeObject* date);
/// Constructor(other): takes other's TotalSeconds (borrowed); nil other raises NilObjectException.
void DateConstructorWithDate(RuntimeObject* date, RuntimeObject* other);
/// Field `index` (DateField); 0 for a nil date or an unknown index.
int32_t dateFieldGetter(RuntimeObject* date, int32_t index);
/// Sets field `index` (Year to Second, and the stored DayOfWeek and DayOfYear); nil date: nothing.
void dateFieldSetter(RuntimeObject* date, int32_t index, int32_t value);
/// Text form `kind` (DateTextKind), a new String for the caller; empty for a nil date.
RTString dateStringGetter(RuntimeObject* date, int32_t kind);
/// Seconds since 1904-01-01 00:00:00 local time; 0 for a nil date.
double dateTotalSecondsGetter(RuntimeObject* date);
/// Sets date and time from seconds since 1904-01-01 00:00:00 local time.
void dateTotalSecondsSetter(RuntimeObject* date, double seconds);
/// The GMT offset in hours; 0 for a nil date.
double dateGMTOffsetGetter(RuntimeObject* date);
/// Sets the GMT offset in hours, moving the time so that the instant stays.
void dateGMTOffsetSetter(RuntimeObject* date, double hours);
/// "YYYY-MM-DD", a new String for the caller; empty for a nil date.
RTString dateSQLDateGetter(RuntimeObject* date);
/// Sets year, month and day from "YYYY-MM-DD" (borrowed); other text changes nothing.
void dateSQLDateSetter(RuntimeObject* date, RTString text);
/// "YYYY-MM-DD HH:MM:SS", a new String for the caller; empty for a nil date.
RTString dateSQLDateTimeGetter(RuntimeObject* date);
/// Sets date and time from "YYYY-MM-DD HH:MM:SS" (borrowed); other text changes nothing.
void dateSQLDateTimeSetter(RuntimeObject* date, RTString text);
/// -1, 0 or 1 by TotalSeconds; nil is the smaller, two nils are equal.
int32_t DateCompare(RuntimeObject* a, RuntimeObject* b);
/// Reads a date text into a new Date at midnight stored in *result (its old
/// reference released; the caller owns the new one). False, and *result
/// unchanged, when no pattern matches.
bool parseDate(RTString text, RuntimeObject** result);
}
