#include "Common/DateCommon.h"

#include <string>
#include <string_view>

#include "Common/assertion.h"
#include "Common/exceptions.h"
#include "Common/objects.h"
#include "Universal/DateImp/DateImpUnix.h"
#include "Universal/DateImp/DateNames.h"
#include "Universal/DateImp/DateText.h"
#include "Common/String.h"
#include "Universal/StringFormat.h"
#include "Universal/TextEncodingUtil.h"
#include "Universal/VELQstring.h"

namespace {

// The implementation of a date, made and set to now when it has none yet; nil for a nil date.
DateImp* implementation(RuntimeObject* date) {
    if (!date) return nullptr;
    DateImp*& imp = ObjectFields<DateFields>(date)->imp;
    if (!imp) imp = new DateImp();
    imp->ensureInitialised();
    return imp;
}

// The implementation with its fields normalised, ready to be read.
DateImp* readable(RuntimeObject* date) {
    DateImp* imp = implementation(date);
    if (imp) imp->normalise();
    return imp;
}

// Text in the system's encoding, which the date command's names also come in.
RTString systemString(const std::string& text) {
    return StringFromBytes(text.data(), text.size(), SystemEncodingCode());
}

// A number laid out by the runtime's number formatter.
std::string formatted(int32_t value, const char* format) {
    rt::String pattern(format);
    rt::String text = rt::String::adopt(StringFormat(value, pattern.get()));
    return text.str();
}

std::string sqlDate(const DateImp& imp) {
    return formatted(imp.year, "0000") + "-" + formatted(int32_t(imp.month + 1), "00") + "-" + formatted(imp.day, "00");
}

// Reads exactly `digits` digits, or at least `digits` (at most nine) when `orMore`.
bool readDigits(std::string_view text, size_t& at, size_t digits, bool orMore, int32_t& value) {
    size_t start = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < (orMore ? 9 : digits))
        value = value * 10 + (text[at++] - '0');
    return at - start >= digits;
}

bool readChar(std::string_view text, size_t& at, char expected) {
    if (at >= text.size() || text[at] != expected) return false;
    ++at;
    return true;
}

struct SqlFields {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Reads the form SQLDate writes, "YYYY-MM-DD", and with `withTime` the form of
// SQLDateTime, "YYYY-MM-DD HH:MM:SS"; the whole text must be that form.
bool readSqlText(RTString text, bool withTime, SqlFields& out) {
    std::string_view s(StringBytes(text), StringLength(text));
    size_t at = 0;
    bool ok = readDigits(s, at, 4, true, out.year) && readChar(s, at, '-') && readDigits(s, at, 2, false, out.month) &&
              readChar(s, at, '-') && readDigits(s, at, 2, false, out.day);
    if (ok && withTime) {
        ok = readChar(s, at, ' ') && readDigits(s, at, 2, false, out.hour) && readChar(s, at, ':') &&
             readDigits(s, at, 2, false, out.minute) && readChar(s, at, ':') && readDigits(s, at, 2, false, out.second);
    }
    return ok && at == s.size() && out.month >= 1 && out.month <= 12 && out.day >= 1 &&
           out.day <= DateMonthLength(out.year, out.month - 1) && out.hour <= 23 && out.minute <= 59 &&
           out.second <= 59;
}

void setDate(DateImp& imp, int32_t year, int32_t month, int32_t day) {
    imp.year = year;
    imp.month = month;
    imp.day = day;
    imp.needsNormalising = true;
}

const MethodDefinition kDateMethods[] = {
    {"Constructor%%o<Date>", reinterpret_cast<void*>(&DateConstructor)},
    {"Constructor%%o<Date>o<Date>", reinterpret_cast<void*>(&DateConstructorWithDate)},
    {"Operator_Compare%i4%o<Date>o<Date>", reinterpret_cast<void*>(&DateCompare)},
};

} // namespace

RuntimeClass* DateClass() {
    static RuntimeClass* c = RuntimeDefineClass({
        .name = "Date",
        .superclass = nullptr,
        .instanceSize = int32_t(sizeof(RuntimeObject) + sizeof(DateFields)),
        .initializer = &AutoInitDate,
        .finalizer = &DateFinalizer,
        .methods = kDateMethods,
    });
    return c;
}

RuntimeObject* NewDateAtClock(time_t clock) {
    RuntimeObject* date = RuntimeNewObject(DateClass());
    implementation(date)->setToClock(clock);
    return date;
}

extern "C" void AutoInitDate(RuntimeObject* date) { implementation(date); }

extern "C" void DateFinalizer(RuntimeObject* date) {
    DateImp*& imp = ObjectFields<DateFields>(date)->imp;
    delete imp;
    imp = nullptr;
}

extern "C" void DateConstructor(RuntimeObject* date) {
    if (DateImp* imp = implementation(date)) imp->setToNow();
}

extern "C" void DateConstructorWithDate(RuntimeObject* date, RuntimeObject* other) {
    if (!other) RaiseNilObjectException();
    dateTotalSecondsSetter(date, dateTotalSecondsGetter(other));
}

extern "C" int32_t dateFieldGetter(RuntimeObject* date, int32_t index) {
    const DateImp* imp = readable(date);
    if (!imp) return 0;
    switch (index) {
    case kDateYear: return imp->year;
    case kDateMonth: return int32_t(imp->month + 1);
    case kDateDay: return imp->day;
    case kDateHour: return imp->hour;
    case kDateMinute: return imp->minute;
    case kDateSecond: return imp->second;
    case kDateDayOfWeek: return imp->weekday();
    case kDateDayOfYear: return imp->yearDay();
    case kDateWeekOfYear: return (imp->yearDay() + 1) / 7 + 1;
    default:
        RUNTIME_ASSERT_FAILED("DateCommon", "index <= kDateWeekOfYear", "unknown date field");
        return 0;
    }
}

extern "C" void dateFieldSetter(RuntimeObject* date, int32_t index, int32_t value) {
    DateImp* imp = implementation(date);
    if (!imp) return;
    switch (index) {
    case kDateYear: imp->year = value; break;
    case kDateMonth: imp->month = int64_t(value) - 1; break;
    case kDateDay: imp->day = value; break;
    case kDateHour: imp->hour = value; break;
    case kDateMinute: imp->minute = value; break;
    case kDateSecond: imp->second = value; break;
    case kDateDayOfWeek: imp->dayOfWeek = value; break;
    case kDateDayOfYear: imp->dayOfYear = value; break;
    default:
        RUNTIME_ASSERT_FAILED("DateCommon", "index <= kDateDayOfYear", "unknown date field");
        return;
    }
    imp->needsNormalising = true;
}

extern "C" RTString dateStringGetter(RuntimeObject* date, int32_t kind) {
    const DateImp* imp = readable(date);
    if (!imp) return nullptr;
    const char* pattern = nullptr;
    switch (kind) {
    case kDateShortDate: pattern = DateSeparatorIsFullStop() ? "%d.%m.%Y" : "%m/%d/%Y"; break;
    case kDateLongDate: pattern = "%A, %B %d, %Y"; break;
    case kDateAbbreviatedDate: pattern = "%a, %b %d, %Y"; break;
    case kDateShortTime: pattern = "%I:%M %p"; break;
    case kDateLongTime: pattern = "%I:%M:%S %p"; break;
    default:
        RUNTIME_ASSERT_FAILED("DateCommon", "kind <= kDateLongTime", "unknown date text kind");
        return nullptr;
    }
    return systemString(TimeSprintf(pattern, *imp));
}

extern "C" double dateTotalSecondsGetter(RuntimeObject* date) {
    const DateImp* imp = readable(date);
    return imp ? imp->totalSeconds() : 0;
}

extern "C" void dateTotalSecondsSetter(RuntimeObject* date, double seconds) {
    if (DateImp* imp = implementation(date)) imp->setTotalSeconds(seconds);
}

extern "C" double dateGMTOffsetGetter(RuntimeObject* date) {
    const DateImp* imp = readable(date);
    return imp ? imp->gmtOffset : 0;
}

extern "C" void dateGMTOffsetSetter(RuntimeObject* date, double hours) {
    if (DateImp* imp = readable(date)) imp->setGMTOffset(hours);
}

extern "C" RTString dateSQLDateGetter(RuntimeObject* date) {
    const DateImp* imp = readable(date);
    return imp ? systemString(sqlDate(*imp)) : nullptr;
}

extern "C" RTString dateSQLDateTimeGetter(RuntimeObject* date) {
    const DateImp* imp = readable(date);
    if (!imp) return nullptr;
    return systemString(sqlDate(*imp) + " " + formatted(imp->hour, "00") + ":" + formatted(imp->minute, "00") +
                        ":" + formatted(imp->second, "00"));
}

extern "C" void dateSQLDateSetter(RuntimeObject* date, RTString text) {
    DateImp* imp = implementation(date);
    SqlFields read;
    if (imp && readSqlText(text, false, read)) setDate(*imp, read.year, read.month - 1, read.day);
}

extern "C" void dateSQLDateTimeSetter(RuntimeObject* date, RTString text) {
    DateImp* imp = implementation(date);
    SqlFields read;
    if (!imp || !readSqlText(text, true, read)) return;
    setDate(*imp, read.year, read.month - 1, read.day);
    imp->hour = read.hour;
    imp->minute = read.minute;
    imp->second = read.second;
}

extern "C" int32_t DateCompare(RuntimeObject* a, RuntimeObject* b) {
    if (!a || !b) return a ? 1 : b ? -1 : 0;
    double secondsA = dateTotalSecondsGetter(a);
    double secondsB = dateTotalSecondsGetter(b);
    return secondsA < secondsB ? -1 : secondsA > secondsB ? 1 : 0;
}

extern "C" bool parseDate(RTString text, RuntimeObject** result) {
    CalendarDay parsed{};
    if (!DateParseText(std::string_view(StringBytes(text), StringLength(text)), parsed)) return false;
    RuntimeObject* date = RuntimeNewObject(DateClass());
    DateImp* imp = implementation(date);
    setDate(*imp, parsed.year, parsed.month, parsed.day);
    imp->hour = imp->minute = imp->second = 0;
    RuntimeUnlockObject(*result);
    *result = date;
    return true;
}
