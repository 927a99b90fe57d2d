// Localised day and month names and the date separator, asked of the system's
// date command once per process, with the English names where it gives none.
#pragma once
#include <string>

/// Name forms kept for days and months.
enum class NameForm { Full, Abbreviated };

/// The name of day `weekday` (0 = Sunday to 6 = Saturday), UTF-8.
const std::string& DateDayName(int weekday, NameForm form);
/// The name of month `month` (0 = January to 11 = December), UTF-8.
const std::string& DateMonthName(int month, NameForm form);
/// Whether the system writes dates with a full stop between their parts.
bool DateSeparatorIsFullStop();

/// Runs a shell command line and gives its standard output.
using ShellRunner = std::string (*)(const char* commandLine);
/// Asks `runner` from now on (null: the real shell) and forgets every cached answer.
void DateNamesUseShell(ShellRunner runner);
