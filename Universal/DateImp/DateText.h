// The text forms of a date: the runtime's own time formatter (the C library's
// strftime is not used) and the reading of date texts by a fixed pattern list.
#pragma once
#include <string>
#include <string_view>

#include "Universal/DateImp/DateImpUnix.h"

/// Longest text the formatter produces, in bytes.
inline constexpr size_t kTimeTextLimit = 1024;

/// `pattern` filled in from the fields of `date` (normalised), UTF-8, at most
/// kTimeTextLimit bytes. An unknown code writes "Error in TimeSprintf() " in its place.
std::string TimeSprintf(std::string_view pattern, const DateImp& date);

/// The date `text` names by the first pattern of the list that matches it whole
/// (month/day/year with "/", "-" or ".", or forms with day and month names);
/// nothing when none does.
bool DateParseText(std::string_view text, CalendarDay& result);
