#include "Universal/DateImp/DateText.h"

#include <strings.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "Universal/DateImp/DateNames.h"

namespace {

void appendNumber(std::string& out, int64_t value, int width) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", width, static_cast<long long>(value));
    out += digits;
}

void formatInto(std::string& out, std::string_view pattern, const DateImp& date) {
    const int weekday = date.weekday() - 1;  // 0 = Sunday
    const int yearDay = date.yearDay() - 1;  // 0 = 1 January
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            out += pattern[i];
            continue;
        }
        char code = ++i < pattern.size() ? pattern[i] : '\0';
        switch (code) {
        case 'd': appendNumber(out, date.day, 2); break;
        case 'm': appendNumber(out, date.month + 1, 2); break;
        case 'H': appendNumber(out, date.hour, 2); break;
        case 'M': appendNumber(out, date.minute, 2); break;
        case 'S': appendNumber(out, date.second, 2); break;
        case 'I': appendNumber(out, date.hour > 12 ? date.hour - 12 : date.hour, 2); break;
        case 'p': out += date.hour <= 11 ? "AM" : "PM"; break;
        case 'Y': appendNumber(out, date.year, 0); break;
        case 'y': appendNumber(out, std::abs(date.year % 100), 2); break;
        case 'j': appendNumber(out, yearDay + 1, 3); break;
        case 'w': appendNumber(out, weekday, 0); break;
        case 'U': appendNumber(out, (yearDay + 7 - weekday) / 7, 0); break;
        case 'W': appendNumber(out, (yearDay + 7 - (weekday + 6) % 7) / 7, 0); break;
        case 'a': out += DateDayName(weekday, NameForm::Abbreviated); break;
        case 'A': out += DateDayName(weekday, NameForm::Full); break;
        case 'b': out += DateMonthName(int(date.month), NameForm::Abbreviated); break;
        case 'B': out += DateMonthName(int(date.month), NameForm::Full); break;
        case 'x': formatInto(out, "%a, %b %d, %Y", date); break;
        case 'X': formatInto(out, "%H:%M:%S", date); break;
        case 'c': formatInto(out, "%b %d %H:%M:%S %Y", date); break;
        case 'Z': {
            const char* locale = std::setlocale(LC_TIME, nullptr);
            out += locale ? locale : "C";
            break;
        }
        case '%': out += '%'; break;
        default: out += "Error in TimeSprintf() "; break;
        }
    }
}

// The date texts understood, tried in this order.
constexpr const char* kParsePatterns[] = {
    "%m/%d/%C%y", "%m/%d/%y",          "%m-%d-%C%y",        "%m-%d-%y",       "%m.%d.%C%y",
    "%m.%d.%y",   "%d%b%C%y",          "%d%b%y",            "%d %b %C%y",     "%d %b %y",
    "%d.%b.%C%y", "%d.%b.%y",          "%b %d, %C%y",       "%b %d, %y",      "%b %d %C%y",
    "%b %d %y",   "%a, %b %d, %C%y",   "%a, %b %d, %y",     "%a %b %d %C%y",  "%a %b %d %y",
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Reads one or two digits in [low, high].
bool readNumber(std::string_view text, size_t& at, int low, int high, int& value) {
    size_t start = at;
    value = 0;
    while (at < text.size() && at - start < 2 && text[at] >= '0' && text[at] <= '9') value = value * 10 + (text[at++] - '0');
    return at > start && value >= low && value <= high;
}

// Reads the full or abbreviated name of one of `count` days or months, ignoring letter case.
template <typename NameOf>
bool readName(std::string_view text, size_t& at, int count, NameOf nameOf, int& index) {
    for (NameForm form : {NameForm::Full, NameForm::Abbreviated}) {
        for (int i = 0; i < count; ++i) {
            const std::string& name = nameOf(i, form);
            if (!name.empty() && text.size() - at >= name.size() &&
                strncasecmp(text.data() + at, name.data(), name.size()) == 0) {
                at += name.size();
                index = i;
                return true;
            }
        }
    }
    return false;
}

bool matchPattern(std::string_view pattern, std::string_view text, CalendarDay& result) {
    size_t at = 0;
    int month = 0, day = 0, century = -1, year = 0, ignored = 0;
    for (size_t p = 0; p < pattern.size(); ++p) {
        if (pattern[p] == ' ') {  // a blank matches any run of white space, none included
            while (at < text.size() && isSpace(text[at])) ++at;
            continue;
        }
        if (pattern[p] != '%') {
            if (at >= text.size() || text[at] != pattern[p]) return false;
            ++at;
            continue;
        }
        bool ok = false;
        switch (pattern[++p]) {
        case 'm': ok = readNumber(text, at, 1, 12, month); break;
        case 'd': ok = readNumber(text, at, 1, 31, day); break;
        case 'C': ok = readNumber(text, at, 0, 99, century); break;
        case 'y': ok = readNumber(text, at, 0, 99, year); break;
        case 'b':
            ok = readName(text, at, 12, DateMonthName, month);
            ++month;  // %m counts from 1
            break;
        case 'a': ok = readName(text, at, 7, DateDayName, ignored); break;
        }
        if (!ok) return false;
    }
    while (at < text.size() && isSpace(text[at])) ++at;
    if (at != text.size()) return false;
    // Two-digit years without a century fall in 1969 to 2068.
    int fullYear = century >= 0 ? century * 100 + year : year + (year < 69 ? 2000 : 1900);
    result = {fullYear, month - 1, day};
    return true;
}

} // namespace

std::string TimeSprintf(std::string_view pattern, const DateImp& date) {
    std::string out;
    formatInto(out, pattern, date);
    if (out.size() > kTimeTextLimit) out.resize(kTimeTextLimit);
    return out;
}

bool DateParseText(std::string_view text, CalendarDay& result) {
    for (const char* pattern : kParsePatterns) {
        if (matchPattern(pattern, text, result)) return true;
    }
    return false;
}
