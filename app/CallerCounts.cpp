#include "app/CallerCounts.h"

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "Common/FolderItem.h"
#include "Common/Linux/LockedStateFile.h"
#include "Universal/DateImp/Clocks.h"
#include "Universal/DateImp/DateImpUnix.h"
#include "app/FidoAddress.h"
#include "app/Places.h"

namespace {

// The file holds one line a caller of the day; more than this is no file
// qarvex wrote, and is rebuilt rather than read into memory.
constexpr size_t kCountsBytes = 1 << 20;

bool number(std::string_view text, int64_t& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() && value >= 0;
}

std::string addressText(const FidoAddress& a) {
    return std::to_string(a.zone) + ":" + std::to_string(a.net) + "/" + std::to_string(a.node) + "." +
           std::to_string(a.point);
}

} // namespace

const CallerLimit* LimitOf(const std::vector<CallerLimit>& limits, const std::vector<std::string>& akas,
                           std::string& caller) {
    std::vector<FidoAddress> addresses;
    for (const std::string& aka : akas) {
        if (ErrorOr<FidoAddress, BadAddress> address = ParseAddress(rt::String(aka)))
            addresses.push_back(address.value());
    }
    for (const CallerLimit& limit : limits)
        for (const FidoAddress& address : addresses)
            if (Fits(limit.parsed, address)) {
                caller = addressText(address);
                return &limit;
            }
    return nullptr;
}

std::map<std::string, DayCount> CountsOfDay(std::string_view text, std::string_view day, bool& damaged) {
    std::map<std::string, DayCount> counts;
    damaged = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        std::string_view fields[4];
        size_t n = 0;
        for (size_t at = 0; at <= line.size() && n < 4;) {
            size_t space = std::min(line.find(' ', at), line.size());
            fields[n++] = line.substr(at, space - at);
            at = space + 1;
        }
        DayCount count;
        if (n != 4 || line.size() != size_t(fields[3].data() + fields[3].size() - line.data()) ||
            ParseAddress(rt::String(std::string(fields[1]))).isError() || !number(fields[2], count.files) ||
            !number(fields[3], count.bytes)) {
            damaged = true;
            continue;
        }
        if (fields[0] == day) counts[std::string(fields[1])] = count;
    }
    return counts;
}

std::string CountsText(std::string_view day, const std::map<std::string, DayCount>& counts) {
    std::string text;
    for (const auto& [caller, count] : counts)
        text += std::string(day) + " " + caller + " " + std::to_string(count.files) + " " +
                std::to_string(count.bytes) + "\n";
    return text;
}

std::string UtcDay() {
    int64_t seconds = UnixSecondsNow();
    int64_t days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
    CalendarDay d = DateFromDayNumber(DateDayNumber(1970, 0, 1) + days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", int(d.year), int(d.month) + 1, int(d.day));
    return text;
}

ChargeResult ChargeCaller(const std::string& caller, const CallerLimit& limit, int64_t size) {
    ChargeResult result;
    // A relative place lies in the program folder, as the runtime takes it; the
    // platform opens it from there, not from the mailer's working folder.
    rt::FolderItem place = rt::FolderItem::at(CallerCountsPath());
    LockedStateFile file;
    if (!place) {
        result.error = ENOENT;
        return result;
    }
    if (ErrorOr<void> opened = file.Open(place.absolutePath().str()); !opened) {
        result.error = opened.error().number;
        return result;
    }
    std::string day = UtcDay();
    ErrorOr<std::string> text = file.Read(kCountsBytes);
    // A file too big to be ours is damaged like one with an unreadable line.
    if (!text && text.error().number != EFBIG) {
        result.error = text.error().number;
        return result;
    }
    std::map<std::string, DayCount> counts = CountsOfDay(text ? text.value() : std::string(), day, result.rebuilt);
    result.rebuilt = result.rebuilt || !text;
    DayCount& count = counts[caller];
    result.before = count;
    if (count.files >= limit.files) result.outcome = Charge::FileLimit;
    else if (size > limit.bytes - count.bytes) result.outcome = Charge::ByteLimit;
    else result.outcome = Charge::Counted;
    if (result.outcome != Charge::Counted && !result.rebuilt) return result;
    if (result.outcome == Charge::Counted) {
        ++count.files;
        count.bytes += size;
    }
    if (ErrorOr<void> written = file.Replace(CountsText(day, counts)); !written) {
        result.outcome = Charge::Fault;
        result.error = written.error().number;
    }
    return result;
}
