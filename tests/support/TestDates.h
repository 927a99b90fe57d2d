// Dates for tests, built in one place: from fields (month 1 to 12) at the
// level of the date implementation, and as date objects from text.
#pragma once
#include <cstdint>

#include "Common/Date.h"
#include "Universal/DateImp/DateImpUnix.h"

/// A date built from its fields, as a setter leaves it: not yet normalised.
inline DateImp DateImpOf(int32_t year, int32_t month, int32_t day, int32_t hour = 0, int32_t minute = 0,
                         int32_t second = 0) {
    DateImp imp;
    imp.year = year;
    imp.month = month - 1;
    imp.day = day;
    imp.hour = hour;
    imp.minute = minute;
    imp.second = second;
    imp.initialised = true;
    return imp;
}

/// The same date with its fields brought into range, as a getter sees it.
inline DateImp NormalisedDateImpOf(int32_t year, int32_t month, int32_t day, int32_t hour = 0, int32_t minute = 0,
                                   int32_t second = 0) {
    DateImp imp = DateImpOf(year, month, day, hour, minute, second);
    imp.needsNormalising = true;
    imp.normalise();
    return imp;
}

/// A date object set from "YYYY-MM-DD HH:MM:SS" in the local time zone.
inline rt::Date DateAt(const char* sqlDateTime) {
    rt::Date date = rt::Date::now();
    date.setSQLDateTime(sqlDateTime);
    return date;
}
