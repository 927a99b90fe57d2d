// The per-caller day counts behind the `Limit` settings: which line governs a
// caller, and each granted file counted against its UTC day in the state
// folder's file, under that file's lock, so sessions at once neither lose nor
// double a count and a caller never takes more than its line allows.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/Settings.h"

/// The first Limit line whose pattern fits one of `akas` (as the SRIF gives
/// them); `caller` receives that address as zone:net/node.point, the name
/// its counts are kept under. Nullptr when no line fits.
const CallerLimit* LimitOf(const std::vector<CallerLimit>& limits, const std::vector<std::string>& akas,
                           std::string& caller);

/// What a caller took in one day.
struct DayCount {
    int64_t files = 0;
    int64_t bytes = 0;
};

/// The counts of `day` in the file's text ("day caller files bytes" a line);
/// other days' lines are dropped. `damaged` is set when a line could not be
/// read, which the next write leaves out.
std::map<std::string, DayCount> CountsOfDay(std::string_view text, std::string_view day, bool& damaged);
/// The file's text for the counts of `day`.
std::string CountsText(std::string_view day, const std::map<std::string, DayCount>& counts);

/// The UTC day now, as YYYY-MM-DD.
std::string UtcDay();

enum class Charge { Counted, FileLimit, ByteLimit, Fault };
struct ChargeResult {
    Charge outcome = Charge::Fault;
    DayCount before;       // what the caller had taken today before this file
    bool rebuilt = false;  // the file was damaged and was written anew
    int error = 0;         // the system's reason for a Fault
};

/// Counts one file of `size` bytes against `caller`'s day when it keeps
/// within `limit`; otherwise nothing is counted and the outcome names the
/// limit it would pass.
ChargeResult ChargeCaller(const std::string& caller, const CallerLimit& limit, int64_t size);
