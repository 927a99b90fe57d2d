// A date built from its fields (month 1 to 12), as a setter leaves it: not yet normalised.
#pragma once
#include <cstdint>

#include "Universal/DateImp/DateImpUnix.h"

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
